#include "tool_os.h"

#include <windows.h>
#include <shellapi.h>
#include <stdlib.h>

namespace {

std::wstring to_wide(const std::string &utf8)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), n);
    return wide;
}

std::string to_utf8(const wchar_t *wide)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), n, nullptr, nullptr);
    utf8.resize(utf8.size() - 1);
    return utf8;
}

}  // namespace

// argv holds the ANSI code page; the wide command line holds every path.
std::vector<std::string> tool_args(int, char **)
{
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) {
        args.push_back(to_utf8(wide[i]));
    }
    LocalFree(wide);
    return args;
}

// The libraries read the variable through the C runtime's wide environment
// and through the process environment; _wputenv_s sets both.
bool set_root_env(const std::string &root)
{
    return _wputenv_s(L"IXOR_ROOT_DIR", to_wide(root).c_str()) == 0;
}
