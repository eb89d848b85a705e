/* Preloaded under the net-fault tests: the socket calls that never fail on
 * a healthy loopback fail when IXOR_NET_FAULT names them, "nonblocking"
 * (setting a descriptor's flags) or "poll"; "poll-interrupted" makes the
 * first poll meet a signal, and "unreachable" makes every connection fail at
 * once, as one to a network without a route does. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>

typedef int (*fcntl_fn)(int, int, long);
typedef int (*poll_fn)(struct pollfd *, nfds_t, int);
typedef int (*connect_fn)(int, const struct sockaddr *, socklen_t);

static int faulty(const char *call)
{
    const char *fault = getenv("IXOR_NET_FAULT");
    return fault && strcmp(fault, call) == 0;
}

int fcntl(int fd, int cmd, ...)
{
    va_list args;
    va_start(args, cmd);
    const long arg = va_arg(args, long);
    va_end(args);
    if (cmd == F_SETFL && faulty("nonblocking")) {
        errno = EBADF;
        return -1;
    }
    return ((fcntl_fn)dlsym(RTLD_NEXT, "fcntl"))(fd, cmd, arg);
}

int poll(struct pollfd *fds, nfds_t count, int timeout)
{
    static int interrupted;
    if (faulty("poll")) {
        errno = ENOMEM;
        return -1;
    }
    if (faulty("poll-interrupted") && interrupted++ == 0) {
        errno = EINTR;
        return -1;
    }
    return ((poll_fn)dlsym(RTLD_NEXT, "poll"))(fds, count, timeout);
}

int connect(int fd, const struct sockaddr *to, socklen_t size)
{
    if (faulty("unreachable")) {
        errno = ENETUNREACH;
        return -1;
    }
    return ((connect_fn)dlsym(RTLD_NEXT, "connect"))(fd, to, size);
}
