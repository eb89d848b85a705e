// Folders on Windows. A folder the platform creates gets a protected DACL
// of its own rather than the one it would inherit (program data lets users
// add files): SYSTEM, Administrators and the creating account full control,
// Users read and execute. Files inside inherit it.
#include "os.h"

#include <windows.h>
#include <sddl.h>

#include <memory>

namespace ixor::os {
namespace {

constexpr const wchar_t *folder_dacl =
    L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;OW)(A;OICI;0x1200a9;;;BU)";

// Built once; null when the system cannot build it, and then no folder is
// created at all rather than one open to everybody.
PSECURITY_DESCRIPTOR folder_security()
{
    static const PSECURITY_DESCRIPTOR descriptor = [] {
        PSECURITY_DESCRIPTOR sd = nullptr;
        return ConvertStringSecurityDescriptorToSecurityDescriptorW(folder_dacl, SDDL_REVISION_1,
                                                                    &sd, nullptr)
                   ? sd
                   : nullptr;
    }();
    return descriptor;
}

DWORD attributes(const std::string &path)
{
    const std::wstring wide = widen(path);
    return wide.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
}

}  // namespace

const char *const path_separators = "/\\";

void create_dir(const std::string &dir)
{
    const std::wstring wide = widen(dir);
    SECURITY_ATTRIBUTES sa{sizeof sa, folder_security(), FALSE};
    if (!wide.empty() && sa.lpSecurityDescriptor)
        CreateDirectoryW(wide.c_str(), &sa);
}

bool is_directory(const std::string &path)
{
    const DWORD attr = attributes(path);
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> list_dir(const std::string &dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    const HANDLE first = FindFirstFileW(widen(dir + "/*").c_str(), &found);
    if (first == INVALID_HANDLE_VALUE)
        return names;
    const std::unique_ptr<void, decltype(&FindClose)> listing(first, FindClose);
    do {
        const std::string name = narrow(found.cFileName);
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileW(listing.get(), &found));
    return names;
}

}  // namespace ixor::os
