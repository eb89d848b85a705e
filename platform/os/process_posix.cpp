// Processes on POSIX.
#include "os.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace ixor::os {

std::optional<std::string> process_path(int pid)
{
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target);
    if (n <= 0 || n == static_cast<ssize_t>(sizeof target))
        return std::nullopt;
    return std::string(target, static_cast<size_t>(n));
}

int current_pid() { return static_cast<int>(::getpid()); }

bool process_alive(int pid) { return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM; }

void raise_open_file_limit()
{
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace ixor::os
