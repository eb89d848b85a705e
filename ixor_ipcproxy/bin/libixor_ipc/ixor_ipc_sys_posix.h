/* What the library's seam headers take from a POSIX system: BSD sockets,
 * the path separator and the re-entrant tokeniser. */
#ifndef IXOR_IPC_SYS_POSIX_H
#define IXOR_IPC_SYS_POSIX_H

#include <netinet/in.h>
#include <string.h>
#include <sys/socket.h>

typedef int ixor_socket;
#define IXOR_SOCKET_INVALID (-1)

#define IXOR_OS_PATH_SEP '/'
#define ixor_os_strtok strtok_r

#endif
