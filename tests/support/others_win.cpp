// What other accounts and programs do to the agent's files, on Windows:
// the tests cannot make another account, so available() says no and the
// tests that need it skip; a reader that holds a file without delete
// sharing is a Windows thing. Wine keeps no owner but the caller and makes
// no junction, so those helpers say no under it.
#include "ixor_test_support.h"
#include "text_win.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <winioctl.h>

#include <cstring>

namespace ixor_test {

bool OtherUser::available() { return false; }
OtherUser::OtherUser(const Body &) {}
OtherUser::~OtherUser() = default;
bool OtherUser::wait_ready() { return false; }
int OtherUser::wait() { return -1; }
int read_lock(const std::string &) { return -1; }

namespace {

constexpr ACCESS_MASK writing = FILE_WRITE_DATA | FILE_APPEND_DATA | GENERIC_WRITE | GENERIC_ALL;

struct Sid {
    explicit Sid(const wchar_t *text) { ConvertStringSidToSidW(text, &sid); }
    ~Sid() { LocalFree(sid); }
    PSID sid = nullptr;
};

PSID owner_of(const std::wstring &path, PACL *dacl, PSECURITY_DESCRIPTOR *sd)
{
    PSID owner = nullptr;
    GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                          OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                          dacl, nullptr, sd);
    return owner;
}

// Setting an owner other than oneself needs the restore privilege.
void enable_restore_privilege()
{
    HANDLE token = nullptr;
    TOKEN_PRIVILEGES privileges{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token))
        return;
    if (LookupPrivilegeValueW(nullptr, SE_RESTORE_NAME, &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
}

}  // namespace

bool open_to_everybody(const std::string &path)
{
    const Sid everybody(L"S-1-1-0");
    EXPLICIT_ACCESS_W all{GENERIC_ALL, SET_ACCESS, SUB_CONTAINERS_AND_OBJECTS_INHERIT, {}};
    BuildTrusteeWithSidW(&all.Trustee, everybody.sid);
    PACL dacl = nullptr;
    std::wstring wide = ixor::os::widen(path);
    const bool set = SetEntriesInAclW(1, &all, nullptr, &dacl) == ERROR_SUCCESS &&
                     SetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                           nullptr, nullptr, dacl, nullptr) == ERROR_SUCCESS;
    LocalFree(dacl);
    return set && others_may_write(path);
}

// Whether the DACL lets everybody add or change entries.
bool others_may_write(const std::string &path)
{
    const Sid everybody(L"S-1-1-0");
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    bool open = owner_of(ixor::os::widen(path), &dacl, &sd) && !dacl;
    ACCESS_ALLOWED_ACE *ace = nullptr;
    for (DWORD i = 0;
         dacl && i < dacl->AceCount && GetAce(dacl, i, reinterpret_cast<void **>(&ace)); ++i)
        open |= ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && (ace->Mask & writing) &&
                EqualSid(&ace->SidStart, everybody.sid);
    LocalFree(sd);
    return open;
}

bool give_to_other_account(const std::string &path)
{
    const Sid users(L"S-1-5-32-545");
    std::wstring wide = ixor::os::widen(path);
    enable_restore_privilege();
    SetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, users.sid,
                          nullptr, nullptr, nullptr);
    PSECURITY_DESCRIPTOR sd = nullptr;
    const PSID owner = owner_of(wide, nullptr, &sd);
    const bool given = owner && EqualSid(owner, users.sid);
    LocalFree(sd);
    return given;
}

// A mount-point reparse point on an empty folder, as a junction is made.
bool make_folder_link(const std::string &target, const std::string &link)
{
    const std::wstring wide = ixor::os::widen(link);
    const std::wstring to = L"\\??\\" + ixor::os::wide_path(target).substr(4);
    if (to.size() > MAX_PATH || !CreateDirectoryW(wide.c_str(), nullptr))
        return false;
    const HANDLE folder =
        CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    struct {
        DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
        WORD length, reserved = 0, name_at = 0, name_length, print_at, print_length = 0;
        wchar_t names[MAX_PATH + 2] = {};
    } point;
    point.name_length = static_cast<WORD>(to.size() * sizeof(wchar_t));
    point.print_at = static_cast<WORD>(point.name_length + sizeof(wchar_t));
    point.length = static_cast<WORD>(8 + point.print_at + sizeof(wchar_t));
    std::memcpy(point.names, to.data(), point.name_length);
    DWORD returned = 0;
    const bool made = DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, &point, point.length + 8u,
                                      nullptr, 0, &returned, nullptr);
    CloseHandle(folder);
    if (!made)
        RemoveDirectoryW(wide.c_str());
    return made;
}

HeldOpen::HeldOpen(const std::string &path, int ms)
{
    const HANDLE file = CreateFileW(ixor::os::widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        closer_ = std::thread([file, ms] {
            Sleep(static_cast<DWORD>(ms));
            CloseHandle(file);
        });
}

HeldOpen::~HeldOpen()
{
    if (closer_.joinable())
        closer_.join();
}

}  // namespace ixor_test
