// Loopback sockets on Windows: Windows Sockets 2, started once per process.
#include "os.h"

#include <winsock2.h>

namespace ixor::os {
namespace {

bool sockets_started()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

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
    const SOCKET s = sockets_started() ? ::socket(AF_INET, SOCK_STREAM, 0) : INVALID_SOCKET;
    sockaddr_in addr = loopback(port);
    int size = sizeof addr;
    if (s == INVALID_SOCKET || ::bind(s, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        ::listen(s, backlog) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr *>(&addr), &size) != 0) {
        if (s != INVALID_SOCKET)
            ::closesocket(s);
        return no_socket;
    }
    port = ntohs(addr.sin_port);
    return static_cast<SocketHandle>(s);
}

void accept_one(SocketHandle listener, int wait_ms)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(static_cast<SOCKET>(listener), &set);
    timeval tv{wait_ms / 1000, (wait_ms % 1000) * 1000};
    if (::select(0, &set, nullptr, nullptr, &tv) <= 0)
        return;
    const SOCKET client = ::accept(static_cast<SOCKET>(listener), nullptr, nullptr);
    if (client != INVALID_SOCKET)
        ::closesocket(client);
}

void close_socket(SocketHandle socket) { ::closesocket(static_cast<SOCKET>(socket)); }

}  // namespace ixor::os
