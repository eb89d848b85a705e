/* Windows Sockets 2. A failed connection is reported in the exception set,
 * which is not watched: it ends when the wait runs out. */
#include <string.h>

#include "ixor_ipc_net.h"

int ixor_net_startup(void)
{
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
}

int ixor_net_last_error(void) { return WSAGetLastError(); }

bool ixor_net_resolve(const char *host, struct in_addr *addr, int *family, int *error)
{
    struct hostent *entry = gethostbyname(host);
    if (entry == NULL || entry->h_addr_list == NULL || entry->h_addr_list[0] == NULL) {
        *error = WSAGetLastError();
        return false;
    }
    memcpy(addr, entry->h_addr_list[0], sizeof *addr);
    *family = entry->h_addrtype;
    return true;
}

const char *ixor_net_ntoa(struct in_addr addr, char *buf, int size)
{
    strncpy(buf, inet_ntoa(addr), (size_t)size - 1);
    buf[size - 1] = '\0';
    return buf;
}

int ixor_net_set_nonblocking(ixor_socket sock)
{
    u_long on = 1;
    return ioctlsocket(sock, FIONBIO, &on) == SOCKET_ERROR ? -1 : 0;
}

bool ixor_net_connect_pending(void) { return WSAGetLastError() == WSAEWOULDBLOCK; }

int ixor_net_wait_writable(ixor_socket sock, uint32_t timeout_ms)
{
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(sock, &writable);
    struct timeval wait;
    wait.tv_sec = (long)(timeout_ms / 1000u);
    wait.tv_usec = (long)((timeout_ms % 1000u) * 1000u);
    int ready = select(0, NULL, &writable, NULL, &wait);
    return ready == SOCKET_ERROR ? -1 : ready;
}

bool ixor_net_connected(ixor_socket sock)
{
    (void)sock;
    return true;
}

void ixor_net_close(ixor_socket sock) { closesocket(sock); }
