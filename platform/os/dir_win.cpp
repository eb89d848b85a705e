// Folders on Windows, walked level by level from the drive or share so
// that no reparse point and no folder of another account's is passed
// through (trust_win.cpp). A folder the platform creates gets a protected
// DACL of its own rather than the one it would inherit (security_win.h).
#include "handle_win.h"
#include "os.h"
#include "security_win.h"
#include "text_win.h"

#include <algorithm>
#include <memory>

namespace ixor::os {
namespace {

DWORD attributes(const std::string &path)
{
    const std::wstring wide = wide_path(path);
    return wide.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
}

bool is_separator(char c) { return c == '/' || c == '\\'; }

// Where the levels below the root start: past "X:", past "\\server\share",
// or at the start (a path from the current drive's root, or a relative one).
size_t first_level(const std::string &dir)
{
    if (dir.size() >= 2 && dir[1] == ':')
        return 2;
    if (dir.size() < 2 || !is_separator(dir[0]) || !is_separator(dir[1]))
        return 0;
    const size_t server_end = std::min(dir.find_first_of(path_separators, 2), dir.size());
    return std::min(dir.find_first_of(path_separators, server_end + 1), dir.size());
}

// The level itself, never what a reparse point there leads to; with
// WRITE_DAC where the caller has it, so that a level of its own can be
// narrowed.
HANDLE open_as_itself(const std::wstring &wide)
{
    constexpr DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;
    for (const DWORD access :
         {READ_CONTROL | FILE_READ_ATTRIBUTES | WRITE_DAC, READ_CONTROL | FILE_READ_ATTRIBUTES}) {
        const HANDLE h =
            CreateFileW(wide.c_str(), access, share_all, nullptr, OPEN_EXISTING, flags, nullptr);
        if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_ACCESS_DENIED)
            return h;
    }
    return INVALID_HANDLE_VALUE;
}

// Made with the folder DACL when missing.
HANDLE open_level(const std::wstring &wide)
{
    const HANDLE found = open_as_itself(wide);
    if (found != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_NOT_FOUND)
        return found;
    SECURITY_ATTRIBUTES sa{sizeof sa, folder_security(), FALSE};
    if (sa.lpSecurityDescriptor)
        CreateDirectoryW(wide.c_str(), &sa);
    return open_as_itself(wide);
}

bool usable_level(const std::string &level)
{
    const std::wstring wide = wide_path(level);
    const Handle h(wide.empty() ? INVALID_HANDLE_VALUE : open_level(wide));
    BY_HANDLE_FILE_INFORMATION info;
    if (!h.valid() || !GetFileInformationByHandle(h.get(), &info))
        return false;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        report("refusing " + level + ": a link");
        SetLastError(refused_error);
        return false;
    }
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && usable_folder(h.get(), level);
}

}  // namespace

const char *const path_separators = "/\\";

bool make_dirs(const std::string &dir)
{
    for (size_t start = first_level(dir); start < dir.size();) {
        const size_t end = std::min(dir.find_first_of(path_separators, start), dir.size());
        if (end > start && !usable_level(dir.substr(0, end)))
            return false;
        start = end + 1;
    }
    return is_directory(dir);
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
    std::wstring pattern = wide_path(dir);
    if (!pattern.empty() && pattern.back() != L'\\')
        pattern += L'\\';
    const HANDLE first = FindFirstFileW((pattern + L'*').c_str(), &found);
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
