// Lines of the agent-side programs in the agent's shared log, in the same
// shape as the library's: "[time] [level] [pid:N] [program] text".
#ifndef IXOR_AGENT_LOG_H
#define IXOR_AGENT_LOG_H

#include <string>

enum class LogLevel { error = 0, warn = 1, info = 2 };

void agent_log(LogLevel level, const char *program, const std::string &text);

#endif
