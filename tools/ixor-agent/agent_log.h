// The agent's lines in the shared log, and on standard error so that a
// foreground agent or its service manager shows them too.
#ifndef IXOR_AGENT_LOG_H
#define IXOR_AGENT_LOG_H

#include "ixorbase.h"

// Levels as the log's: 0 error, 1 warning, 2 information.
void agent_log(int level, const char *format, ...) IXORBASE_PRINTF(2, 3);

#endif
