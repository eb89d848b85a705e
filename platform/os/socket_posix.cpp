// Loopback sockets on POSIX.
#include "os.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ixor::os {
namespace {

sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

}  // namespace

SocketHandle listen_loopback(std::uint16_t &port, int backlog)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr = loopback(port);
    socklen_t size = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &size) != 0) {
        if (fd >= 0)
            ::close(fd);
        return no_socket;
    }
    port = ntohs(addr.sin_port);
    return fd;
}

void accept_one(SocketHandle listener, int wait_ms)
{
    pollfd wait{static_cast<int>(listener), POLLIN, 0};
    if (::poll(&wait, 1, wait_ms) <= 0)
        return;
    const int client = ::accept(static_cast<int>(listener), nullptr, nullptr);
    if (client >= 0)
        ::close(client);
}

void close_socket(SocketHandle socket) { ::close(static_cast<int>(socket)); }

}  // namespace ixor::os
