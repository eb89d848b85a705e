/* The log statement: one line in the agent's shared log per statement,
 * "[time] [level] [pid:N] [tid:N] [pux] [file:line] " followed by the tail.
 * The format is one literal, so the compiler checks every tail's arguments. */
#ifndef IXOR_IPC_LOG_H
#define IXOR_IPC_LOG_H

#include <stdint.h>
#include <time.h>

#include "ixor_ipc_os.h"
#include "ixorbase.h"

enum { IXOR_LEVEL_ERROR = 0, IXOR_LEVEL_WARN = 1, IXOR_LEVEL_INFO = 2, IXOR_LEVEL_DEBUG = 3 };

#define IXOR_LOG_STAMP_SIZE 256

/* Sets up a default log for the process when none is registered. */
void ixor_log_autoinit(void);

/* Writes the local time stamp; returns the count of characters written. */
int32_t ixor_log_timestamp(char *buf, uint32_t size);

/* The same from a given local time; a null time writes the fallback stamp. */
int32_t ixor_log_timestamp_of(char *buf, uint32_t size, const struct tm *local);

/* Text after the last path separator, or the whole path. */
const char *ixor_log_basename(const char *path);

/* Steps common to every statement: default log, time stamp, level test.
 * Returns non-zero when the line is to be written. */
int ixor_log_prepare(int level, char *stamp, uint32_t size);

#define IXOR_LOG_STATEMENT(level, word, tail, ...)                                                 \
    do {                                                                                           \
        char ixor_stamp_[IXOR_LOG_STAMP_SIZE];                                                     \
        if (ixor_log_prepare((level), ixor_stamp_, IXOR_LOG_STAMP_SIZE)) {                         \
            int ixor_tid_ = ixor_os_thread_id();                                                   \
            int ixor_pid_ = ixor_os_process_id();                                                  \
            ixor_log_output((level), "[%s] [" word "] [pid:%d] [tid:%d] %s [%s:%d] " tail,         \
                            ixor_stamp_, ixor_pid_, ixor_tid_, "[pux]",                            \
                            ixor_log_basename(__FILE__), __LINE__, ##__VA_ARGS__);                 \
        }                                                                                          \
    } while (0)

#define IXOR_LOG_ERROR(...) IXOR_LOG_STATEMENT(IXOR_LEVEL_ERROR, "error", __VA_ARGS__)
#define IXOR_LOG_WARN(...) IXOR_LOG_STATEMENT(IXOR_LEVEL_WARN, "warn", __VA_ARGS__)
#define IXOR_LOG_INFO(...) IXOR_LOG_STATEMENT(IXOR_LEVEL_INFO, "info", __VA_ARGS__)
#define IXOR_LOG_DEBUG(...) IXOR_LOG_STATEMENT(IXOR_LEVEL_DEBUG, "debug", __VA_ARGS__)

#endif
