// Folders on Windows. A folder the platform creates gets a protected DACL
// of its own rather than the one it would inherit (security_win.h).
#include "os.h"
#include "security_win.h"
#include "text_win.h"

#include <windows.h>

#include <memory>

namespace ixor::os {
namespace {

DWORD attributes(const std::string &path)
{
    const std::wstring wide = wide_path(path);
    return wide.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
}

void create_dir(const std::string &dir)
{
    const std::wstring wide = wide_path(dir);
    SECURITY_ATTRIBUTES sa{sizeof sa, folder_security(), FALSE};
    if (!wide.empty() && sa.lpSecurityDescriptor)
        CreateDirectoryW(wide.c_str(), &sa);
}

}  // namespace

const char *const path_separators = "/\\";

bool make_dirs(const std::string &dir)
{
    if (is_directory(dir))
        return true;
    for (auto cut = dir.find_first_of(path_separators, 1); cut != std::string::npos;
         cut = dir.find_first_of(path_separators, cut + 1))
        create_dir(dir.substr(0, cut));
    create_dir(dir);
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
