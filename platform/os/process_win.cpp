// Processes on Windows.
#include "os.h"

#include <windows.h>

namespace ixor::os {

std::optional<std::string> process_path(int pid)
{
    std::vector<wchar_t> path(32768);
    DWORD n = 0;
    if (static_cast<DWORD>(pid) == GetCurrentProcessId()) {
        n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    } else if (HANDLE process =
                   OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid))) {
        n = static_cast<DWORD>(path.size());
        if (!QueryFullProcessImageNameW(process, 0, path.data(), &n))
            n = 0;
        CloseHandle(process);
    }
    if (n == 0 || n >= path.size())
        return std::nullopt;
    return narrow(std::wstring_view(path.data(), n));
}

int current_pid() { return static_cast<int>(GetCurrentProcessId()); }

bool process_alive(int pid)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

void raise_open_file_limit() {}

}  // namespace ixor::os
