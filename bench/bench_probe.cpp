// The reachability probe on Linux, called directly from the library's own
// objects (it is not exported): a loopback listener that answers and a
// loopback port that refuses, against the same connect done by hand.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "bench_root.h"
#include "harness.h"
#include "ixor_ipc_internal.h"

namespace {

using namespace ixor_bench;

sockaddr_in loopback(uint16_t port)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

// Listens on 127.0.0.1 and accepts (and drops) every connection, so the
// accept queue never fills up and no connect has to wait for room. Every
// connection leaves a TIME_WAIT behind for a minute, which is why the probe
// figures take a few thousand connections and not more: the search for a
// free ephemeral port slows down as they pile up.
class Listener {
public:
    Listener()
    {
        sockaddr_in addr = loopback(0);
        socklen_t size = sizeof addr;
        require(fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr *>(&addr), size) == 0 &&
                    listen(fd_, 128) == 0 &&
                    getsockname(fd_, reinterpret_cast<sockaddr *>(&addr), &size) == 0,
                "loopback listener");
        port_ = ntohs(addr.sin_port);
        acceptor_ = std::thread([this] {
            for (int client; (client = accept(fd_, nullptr, nullptr)) >= 0;) {
                close(client);
            }
        });
    }
    ~Listener()
    {
        shutdown(fd_, SHUT_RDWR);  // wakes the blocked accept
        acceptor_.join();
        close(fd_);
    }
    uint16_t port() const { return port_; }

private:
    int fd_ = socket(AF_INET, SOCK_STREAM, 0);
    uint16_t port_ = 0;
    std::thread acceptor_;
};

// A port that was just listened on and closed again.
uint16_t closed_port()
{
    Listener gone;
    return gone.port();
}

// Non-blocking connect, wait until writable, read the pending error.
bool raw_connect(uint16_t port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    const sockaddr_in addr = loopback(port);
    bool up = connect(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) == 0;
    if (!up) {
        pollfd entry{fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        up = poll(&entry, 1, 5000) == 1 &&
             getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    close(fd);
    return up;
}

void probe_figure(const char *what, uint16_t port, bool reachable)
{
    const auto probe = [=] {
        require(ixor_probe_addrport("127.0.0.1", port, 5000) == reachable, what);
    };
    const auto by_hand = [=] { require(raw_connect(port) == reachable, what); };
    const Comparison c = compare(probe, by_hand, 21, 50);
    print_row(what, c, "socket+connect+poll", at_most(1.2));
}

}  // namespace

int main()
{
    BenchRoot root;  // the probe logs; its lines go to this root's log
    print_section("reachability probe, 127.0.0.1");
    Listener listener;
    probe_figure("probe, reachable candidate", listener.port(), true);
    probe_figure("probe, refused candidate", closed_port(), false);
    print_summary();
    return 0;
}
