// Paths, the running process and pauses: the exports over the OS layer.
#include "env_knob.h"
#include "c_boundary.h"
#include "ixorbase.h"
#include "os.h"

#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

int ixor_path_is_exist_u(const char *path) noexcept
{
    return ixor::guarded(0, [&] { return path && ixor::os::path_exists(path) ? 1 : 0; });
}

// The path is cut to fit the buffer, NUL-terminated.
int ixor_process_get_path(int pid, char *buf, int size) noexcept
{
    return ixor::guarded(-1, [&] {
        const std::optional<std::string> exe = ixor::os::process_path(pid);
        if (!exe || !buf || size <= 0)
            return -1;
        const size_t n = std::min(exe->size(), static_cast<size_t>(size) - 1);
        std::memcpy(buf, exe->data(), n);
        buf[n] = '\0';
        return 0;
    });
}

// Pauses for a number of units of IXOR_SLEEP_UNIT_MS milliseconds (1000 by
// default), so that test and demo runs can shorten every pause.
void ixor_sleep(int seconds) noexcept
{
    ixor::guarded([&] {
        if (seconds <= 0)
            return;
        const long unit_ms = ixorbase::env_whole_number("IXOR_SLEEP_UNIT_MS").value_or(1000);
        std::this_thread::sleep_for(std::chrono::milliseconds(unit_ms) * seconds);
    });
}
