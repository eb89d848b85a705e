#include "agent_log.h"

#include <ctime>

#include "ixorbase.h"
#include "os.h"

void agent_log(LogLevel level, const char *program, const std::string &text)
{
    static const char *const words[] = {"error", "warn", "info"};
    const std::time_t now = std::time(nullptr);
    char stamp[32] = "";
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    ixor_log_output(static_cast<int>(level), "[%s] [%s] [pid:%d] [%s] %s\n", stamp,
                    words[static_cast<int>(level)], ixor::os::current_pid(), program, text.c_str());
}
