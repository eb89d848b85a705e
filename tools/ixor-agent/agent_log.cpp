#include "agent_log.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <string>

#include "os.h"

namespace {

const char *const level_words[] = {"error", "warn", "info", "debug"};

// "[local time] [level] [pid:N] ", the head of the library's own lines.
std::string line_head(int level)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    return std::string("[") + stamp + "] [" + level_words[level & 3] +
           "] [pid:" + std::to_string(ixor::os::current_pid()) + "] ";
}

}  // namespace

void agent_log(int level, const char *format, ...)
{
    char line[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    ixor_log_output(level, "%s%s\n", line_head(level).c_str(), line);
    std::fprintf(stderr, "%s\n", line);
    std::fflush(stderr);
}
