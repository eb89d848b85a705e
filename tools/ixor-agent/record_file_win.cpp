// Identity and trust of record files and folders on Windows.
#include "records.h"

#include "os.h"

#include <windows.h>
#include <aclapi.h>

#include <memory>

const char *const program_suffix = ".exe";

namespace {

struct HandleClose {
    void operator()(void *h) const { CloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleClose>;

// Opened without following a reparse point, for reading its attributes.
Handle open_entry(const std::string &path)
{
    HANDLE h =
        CreateFileW(ixor::os::widen(path).c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    return Handle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

std::vector<char> token_user()
{
    HANDLE token = nullptr;
    std::vector<char> buf;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return buf;
    }
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    buf.resize(size);
    if (!GetTokenInformation(token, TokenUser, buf.data(), size, &size)) {
        buf.clear();
    }
    CloseHandle(token);
    return buf;
}

// The agent's own account, SYSTEM and Administrators may own what it runs.
bool trusted_owner(PSID owner)
{
    static const std::vector<char> user = token_user();
    if (!user.empty() &&
        EqualSid(owner, reinterpret_cast<const TOKEN_USER *>(user.data())->User.Sid)) {
        return true;
    }
    return IsWellKnownSid(owner, WinLocalSystemSid) ||
           IsWellKnownSid(owner, WinBuiltinAdministratorsSid);
}

}  // namespace

std::string file_identity(const std::string &path)
{
    Handle h = open_entry(path);
    BY_HANDLE_FILE_INFORMATION info;
    if (!h || !GetFileInformationByHandle(h.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        return "";
    }
    return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) +
           "." + std::to_string(info.nFileIndexLow) + ":" +
           std::to_string(info.ftLastWriteTime.dwHighDateTime) + "." +
           std::to_string(info.ftLastWriteTime.dwLowDateTime) + ":" +
           std::to_string(info.nFileSizeLow);
}

std::string trust_problem(const std::string &path)
{
    Handle h = open_entry(path);
    BY_HANDLE_FILE_INFORMATION info;
    if (!h || !GetFileInformationByHandle(h.get(), &info)) {
        return path + " cannot be examined";
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        return path + " is a link";
    }
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetSecurityInfo(h.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &sd) != ERROR_SUCCESS) {
        return path + " has no owner that can be read";
    }
    const bool trusted = owner && trusted_owner(owner);
    LocalFree(sd);
    return trusted ? "" : path + " belongs to another account";
}

bool absolute_path(const std::string &path)
{
    return path.size() >= 3 && path[1] == ':' && (path[2] == '/' || path[2] == '\\');
}
