#include "agent_log.h"

#include <cstdarg>
#include <cstdio>

void agent_log(int level, const char *format, ...)
{
    char line[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    ixor_log_output(level, "%s\n", line);
    std::fprintf(stderr, "%s\n", line);
    std::fflush(stderr);
}
