#include "listener.h"

#include <stdexcept>

#if defined(_WIN32)
#include <winsock2.h>
typedef int socklen_t;
static void close_socket(intptr_t fd) { closesocket(SOCKET(fd)); }
static void set_nonblocking(intptr_t fd)
{
    u_long on = 1;
    ioctlsocket(SOCKET(fd), FIONBIO, &on);
}
static void start_sockets()
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
}
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
static void close_socket(intptr_t fd) { close(int(fd)); }
static void set_nonblocking(intptr_t fd) { fcntl(int(fd), F_SETFL, O_NONBLOCK); }
static void start_sockets() {}
#endif

namespace ixor_test {

static sockaddr_in loopback(uint16_t port)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

Listener::Listener(int backlog)
{
    start_sockets();
    fd_ = intptr_t(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in addr = loopback(0);
    socklen_t size = sizeof addr;
    if (bind(fd_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        listen(fd_, backlog) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr *>(&addr), &size) != 0) {
        throw std::runtime_error("cannot listen on loopback");
    }
    port_ = ntohs(addr.sin_port);
}

Listener::~Listener()
{
    for (intptr_t client : clients_) {
        close_socket(client);
    }
    close_socket(fd_);
}

void Listener::saturate()
{
    sockaddr_in addr = loopback(port_);
    for (int i = 0; i < 8; i++) {
        intptr_t client = intptr_t(socket(AF_INET, SOCK_STREAM, 0));
        set_nonblocking(client);
        connect(client, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        clients_.push_back(client);
    }
}

uint16_t closed_port()
{
    Listener listener;
    return listener.port();
}

}  // namespace ixor_test
