#include "report.h"

#include <cstdio>

void report(LogLevel level, const std::string &text)
{
    agent_log(level, "ixor-agent", text);
    std::fprintf(stderr, "ixor-agent: %s\n", text.c_str());
    std::fflush(stderr);
}
