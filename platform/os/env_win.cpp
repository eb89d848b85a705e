// The environment on Windows, read and written through the system calls,
// so that every library and program of the platform sees the same values.
#include "os.h"
#include "text_win.h"

#include <windows.h>

namespace ixor::os {

std::optional<std::string> get_env(const char *name)
{
    const std::wstring wide_name = widen(name);
    const DWORD n = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
    if (n == 0)
        return std::nullopt;
    std::wstring value(n, L'\0');
    const DWORD len = GetEnvironmentVariableW(wide_name.c_str(), value.data(), n);
    return narrow(std::wstring_view(value.data(), len));
}

// The C runtime keeps a copy of the environment of its own; it is set too,
// for code that reads getenv.
bool set_env(const char *name, const char *value)
{
    const std::wstring wide_name = widen(name);
    const std::wstring wide_value = value ? widen(value) : std::wstring();
    if (!SetEnvironmentVariableW(wide_name.c_str(), value ? wide_value.c_str() : nullptr))
        return false;
    return _wputenv_s(wide_name.c_str(), wide_value.c_str()) == 0;
}

}  // namespace ixor::os
