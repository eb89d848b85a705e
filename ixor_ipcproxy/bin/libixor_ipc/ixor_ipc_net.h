/* The socket calls of the reachability probe, one set per platform:
 * Windows Sockets 2 on Windows, BSD sockets elsewhere. */
#ifndef IXOR_IPC_NET_H
#define IXOR_IPC_NET_H

#include <stdint.h>

/* The build names the system's header: ixor_ipc_sys_posix.h or _win.h. */
#include IXOR_IPC_SYS_HEADER

/* WSAETIMEDOUT, the number that the wait's time-out line carries. */
#define IXOR_NET_TIMEOUT_CODE 10060

/* Starts the socket layer (WSAStartup 2.2); 0 on success. */
int ixor_net_startup(void);

/* The last socket error of the calling thread. */
int ixor_net_last_error(void);

/* First IPv4 address of a host name or dotted address; on failure false,
 * with the resolver's error code in *error. */
bool ixor_net_resolve(const char *host, struct in_addr *addr, int *family, int *error);

/* Dotted form of an address into buf (16 bytes at least). */
const char *ixor_net_ntoa(struct in_addr addr, char *buf, int size);

/* 0 on success. */
int ixor_net_set_nonblocking(ixor_socket sock);

/* True when the failed connect is still under way (would block). */
bool ixor_net_connect_pending(void);

/* Waits until the socket is writable: above 0 writable, 0 time out, below
 * 0 error. */
int ixor_net_wait_writable(ixor_socket sock, uint32_t timeout_ms);

/* True when a writable socket holds an established connection. */
bool ixor_net_connected(ixor_socket sock);

void ixor_net_close(ixor_socket sock);

#endif
