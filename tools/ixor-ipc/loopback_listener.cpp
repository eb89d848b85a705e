#include "loopback_listener.h"

#include <chrono>

#if defined(_WIN32)
#include <winsock2.h>
typedef int socklen_t;
static void close_socket(intptr_t fd) { closesocket(SOCKET(fd)); }
static bool start_sockets()
{
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
static void close_socket(intptr_t fd) { close(int(fd)); }
static bool start_sockets() { return true; }
#endif

namespace {

// Waits up to the given time for a connection to accept.
bool readable(intptr_t fd, std::chrono::milliseconds wait)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(fd, &set);
    timeval tv{};
    tv.tv_sec = long(wait.count() / 1000);
    tv.tv_usec = long(wait.count() % 1000) * 1000;
    return select(int(fd + 1), &set, nullptr, nullptr, &tv) > 0;
}

}  // namespace

LoopbackListener::~LoopbackListener()
{
    if (fd_ != -1) {
        close_socket(fd_);
    }
}

bool LoopbackListener::open(uint16_t port)
{
    if (!start_sockets()) {
        return false;
    }
    fd_ = intptr_t(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    if (bind(fd_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || listen(fd_, 16) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr *>(&addr), &size) != 0) {
        return false;
    }
    port_ = ntohs(addr.sin_port);
    return true;
}

void LoopbackListener::serve(int seconds)
{
    using clock = std::chrono::steady_clock;
    const clock::time_point end = clock::now() + std::chrono::seconds(seconds);
    for (clock::time_point now = clock::now(); now < end; now = clock::now()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
        if (readable(fd_, left)) {
            intptr_t client = intptr_t(accept(fd_, nullptr, nullptr));
            if (client != -1) {
                close_socket(client);
            }
        }
    }
}
