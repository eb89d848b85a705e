/* What the library's seam headers take from Windows: Windows Sockets 2,
 * the path separator and the re-entrant tokeniser. */
#ifndef IXOR_IPC_SYS_WIN_H
#define IXOR_IPC_SYS_WIN_H

#include <string.h>
#include <winsock2.h>

typedef SOCKET ixor_socket;
#define IXOR_SOCKET_INVALID INVALID_SOCKET

#define IXOR_OS_PATH_SEP '\\'
#define ixor_os_strtok strtok_s

#endif
