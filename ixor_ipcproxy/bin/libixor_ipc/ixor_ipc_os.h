/* The few operating-system facts that the library asks for itself: process
 * and thread identifiers and the local time of the log line. */
#ifndef IXOR_IPC_OS_H
#define IXOR_IPC_OS_H

#include <time.h>

/* The path separator IXOR_OS_PATH_SEP and the re-entrant tokeniser
 * ixor_os_strtok come from the system's header, which the build names. */
#include IXOR_IPC_SYS_HEADER

int ixor_os_process_id(void);
int ixor_os_thread_id(void);

/* Current local time into *out; 0 on success. */
int ixor_os_localtime(struct tm *out);

#endif
