// Environment, file times and arguments on Windows.
#include "support_os.h"
#include "win_text.h"

#include <windows.h>
#include <shellapi.h>
#include <stdlib.h>

namespace ixor_test::os {

int current_pid() { return static_cast<int>(GetCurrentProcessId()); }

void set_env(const std::string &name, const std::string &value)
{
    _putenv_s(name.c_str(), value.c_str());
}

// An empty value removes the variable.
void unset_env(const std::string &name)
{
    _putenv_s(name.c_str(), "");
}

long long file_mtime_ns(const std::string &utf8_path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(to_wide(utf8_path).c_str(), GetFileExInfoStandard, &data))
        return -1;
    // FILETIME counts 100 ns steps since 1601.
    const long long ticks =
        (static_cast<long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
        data.ftLastWriteTime.dwLowDateTime;
    const long long ticks_1601_to_1970 = 116444736000000000LL;
    return (ticks - ticks_1601_to_1970) * 100;
}

// argv holds the ANSI code page; the wide command line holds everything.
std::vector<std::string> program_args(int, char **)
{
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i)
        args.push_back(to_utf8(wide[i]));
    LocalFree(wide);
    return args;
}

}  // namespace ixor_test::os
