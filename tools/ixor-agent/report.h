// The agent's account of what it does: each line goes to the shared log
// and to standard error, so that a foreground agent or its service manager
// shows it too.
#ifndef IXOR_AGENT_REPORT_H
#define IXOR_AGENT_REPORT_H

#include <string>

#include "agent_log.h"

void report(LogLevel level, const std::string &text);

#endif
