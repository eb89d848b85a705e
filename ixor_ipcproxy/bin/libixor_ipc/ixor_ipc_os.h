/* The few operating-system facts that the library asks for itself: process
 * and thread identifiers and the local time of the log line. */
#ifndef IXOR_IPC_OS_H
#define IXOR_IPC_OS_H

#include <time.h>

#include <string.h>

/* Path separator of executable and source paths on this platform, and the
 * runtime's re-entrant tokeniser. */
#if defined(_WIN32)
#define IXOR_OS_PATH_SEP '\\'
#define ixor_os_strtok strtok_s
#else
#define IXOR_OS_PATH_SEP '/'
#define ixor_os_strtok strtok_r
#endif

int ixor_os_process_id(void);
int ixor_os_thread_id(void);

/* Current local time into *out; 0 on success. */
int ixor_os_localtime(struct tm *out);

#endif
