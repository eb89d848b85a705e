// The reachability probe on Linux, called directly from the library's own
// objects (it is not exported): a loopback listener that answers and a
// loopback port that refuses, against the same connect done by hand.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "bench_root.h"
#include "harness.h"
#include "ixor_ipc_internal.h"
#include "ixor_test_support.h"

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
    return ixor_bench::run_benchmark([] {
        BenchRoot root;  // the probe logs; its lines go to this root's log
        print_section("reachability probe, 127.0.0.1");
        // Nothing accepts: every connection stays in the accept queue, which
        // must hold all of them (the system caps it at net.core.somaxconn).
        ixor_test::Listener listener(0, 4096);
        require(listener.listening(), "loopback listener");
        probe_figure("probe, reachable candidate", listener.port(), true);
        probe_figure("probe, refused candidate", ixor_test::closed_port(), false);
    });
}
