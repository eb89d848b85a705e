/* BSD sockets. Unlike Windows Sockets, a failed connection shows as
 * writable too, so the pending error decides: a refused connection answers
 * false at once instead of after the wait. poll() stands in for select()
 * because it has no limit on descriptor numbers. */
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <string.h>
#include <unistd.h>

#include "ixor_ipc_net.h"

int ixor_net_startup(void) { return 0; }

int ixor_net_last_error(void) { return errno; }

/* A dotted address is its own answer; only names go to the resolver. */
bool ixor_net_resolve(const char *host, struct in_addr *addr, int *family, int *error)
{
    if (inet_pton(AF_INET, host, addr) == 1) {
        *family = AF_INET;
        return true;
    }
    struct hostent entry;
    struct hostent *found = NULL;
    char scratch[2048];
    int rc = gethostbyname_r(host, &entry, scratch, sizeof scratch, &found, error);
    if (rc != 0 || found == NULL || found->h_addr_list == NULL || found->h_addr_list[0] == NULL) {
        return false;
    }
    memcpy(addr, found->h_addr_list[0], sizeof *addr);
    *family = found->h_addrtype;
    return true;
}

const char *ixor_net_ntoa(struct in_addr addr, char *buf, int size)
{
    return inet_ntop(AF_INET, &addr, buf, (socklen_t)size);
}

int ixor_net_set_nonblocking(ixor_socket sock)
{
    int flags = fcntl(sock, F_GETFL);
    return flags < 0 || fcntl(sock, F_SETFL, flags | O_NONBLOCK) < 0 ? -1 : 0;
}

bool ixor_net_connect_pending(void) { return errno == EINPROGRESS || errno == EWOULDBLOCK; }

int ixor_net_wait_writable(ixor_socket sock, uint32_t timeout_ms)
{
    struct pollfd entry;
    entry.fd = sock;
    entry.events = POLLOUT;
    entry.revents = 0;
    int wait = timeout_ms > (uint32_t)INT32_MAX ? INT32_MAX : (int)timeout_ms;
    int ready;
    do {
        ready = poll(&entry, 1, wait);
    } while (ready < 0 && errno == EINTR);
    return ready;
}

bool ixor_net_connected(ixor_socket sock)
{
    int pending = 0;
    socklen_t size = sizeof pending;
    return getsockopt(sock, SOL_SOCKET, SO_ERROR, &pending, &size) == 0 && pending == 0;
}

void ixor_net_close(ixor_socket sock) { close(sock); }
