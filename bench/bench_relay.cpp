// The relay of ipc_proxy against a direct loopback connection and against
// socat relaying the same traffic, measured in one run: throughput of
// streams into a sink, and the round trip of small messages through an echo,
// at 1 and at 64 concurrent connections.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "agent_root.h"
#include "echo_upstream.h"
#include "harness.h"
#include "ixor_ipc.h"

namespace {

using asio::ip::tcp;
using ixor_bench::require;
using ixor_test::EchoUpstream;
using Clock = std::chrono::steady_clock;

tcp::endpoint loopback(std::uint16_t port) { return {asio::ip::address_v4::loopback(), port}; }

// Each connection sends its share of the bytes and waits for the sink's
// last word, so the time covers every byte's arrival.
void stream_into(std::uint16_t port, int connections, std::size_t bytes_each)
{
    static const std::vector<char> data(std::size_t(1) << 20, 'x');
    asio::io_context io;
    struct Conn {
        explicit Conn(asio::io_context &io) : socket(io) {}
        tcp::socket socket;
        std::size_t left = 0;
        std::string reply;
    };
    std::function<void(Conn *)> send = [&send](Conn *c) {
        if (c->left == 0) {
            asio::error_code ignored;
            c->socket.shutdown(tcp::socket::shutdown_send, ignored);
            asio::async_read(c->socket, asio::dynamic_buffer(c->reply),
                             [](asio::error_code, std::size_t) {});
            return;
        }
        const std::size_t n = std::min(c->left, data.size());
        c->left -= n;
        asio::async_write(c->socket, asio::buffer(data.data(), n),
                          [&send, c](asio::error_code ec, std::size_t) {
                              require(!ec, "send: " + ec.message());
                              send(c);
                          });
    };
    std::vector<std::unique_ptr<Conn>> conns;
    for (int i = 0; i < connections; ++i) {
        conns.push_back(std::make_unique<Conn>(io));
        Conn *c = conns.back().get();
        c->left = bytes_each;
        c->socket.async_connect(loopback(port), [&send, c](asio::error_code ec) {
            require(!ec, "connect: " + ec.message());
            send(c);
        });
    }
    io.run();
    for (const auto &c : conns) {
        require(c->reply == ixor_test::echo_last_word, "the sink's last word through port " +
                                                           std::to_string(port) + ", got \"" +
                                                           c->reply + "\"");
    }
}

// Round trips of 64 bytes on each of the connections, all at once; the
// time of every trip in microseconds.
std::vector<double> round_trips(std::uint16_t port, int connections, int trips)
{
    asio::io_context io;
    struct Conn {
        explicit Conn(asio::io_context &io) : socket(io) {}
        tcp::socket socket;
        std::array<char, 64> out{}, in{};
        int left = 0;
        Clock::time_point sent;
    };
    std::vector<double> micros;
    std::vector<std::unique_ptr<Conn>> conns;
    std::function<void(Conn *)> trip = [&](Conn *c) {
        if (c->left-- == 0) {
            return;
        }
        c->sent = Clock::now();
        asio::async_write(c->socket, asio::buffer(c->out), [&, c](asio::error_code ec, size_t) {
            require(!ec, "send: " + ec.message());
            asio::async_read(c->socket, asio::buffer(c->in), [&, c](asio::error_code ec, size_t) {
                require(!ec, "receive: " + ec.message());
                micros.push_back(
                    std::chrono::duration<double, std::micro>(Clock::now() - c->sent).count());
                trip(c);
            });
        });
    };
    for (int i = 0; i < connections; ++i) {
        conns.push_back(std::make_unique<Conn>(io));
        conns.back()->socket.connect(loopback(port));
        conns.back()->socket.set_option(tcp::no_delay(true));
        conns.back()->left = trips;
    }
    for (const auto &c : conns) {
        trip(c.get());
    }
    io.run();
    return micros;
}

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + long(values.size() / 2), values.end());
    return values[values.size() / 2];
}

// socat relaying to the same upstream, one process per connection as it
// does by default, with no_delay as the proxy has.
class Socat {
public:
    explicit Socat(std::uint16_t upstream)
        : port_(ixor_test::closed_port()),
          child_(ixor_test::Child::at(
              "/usr/bin/socat",
              {"-t", "60",  // half-closed, it waits for the far end's last word
               "TCP-LISTEN:" + std::to_string(port_) + ",bind=127.0.0.1,fork,reuseaddr,backlog=256",
               "TCP:127.0.0.1:" + std::to_string(upstream) + ",nodelay"},
              "/dev/null", "/dev/null"))
    {
        wait_for_listener(port_);
    }
    std::uint16_t port() const { return port_; }

    static void wait_for_listener(std::uint16_t port)
    {
        for (int i = 0; i < 500; ++i) {
            asio::io_context io;
            tcp::socket probe(io);
            asio::error_code ec;
            probe.connect(loopback(port), ec);
            if (!ec) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        require(false, "a relay listening on port " + std::to_string(port));
    }

private:
    std::uint16_t port_;
    ixor_test::Child child_;
};

// ipc_proxy on an agent root whose winner is the given upstream.
class Proxy {
public:
    explicit Proxy(std::uint16_t upstream)
    {
        root_.register_product("BEN");
        require(ixor_change_ipcproxy_addrport("BEN", "50", "127.0.0.1",
                                              std::to_string(upstream).c_str(), nullptr) == 0,
                "registration of the upstream");
        port_ = ixor_test::closed_port();
        child_.emplace(ixor_test::Child::beside("ipc_proxy", {"--port", std::to_string(port_)},
                                                "/dev/null", "/dev/null"));
        Socat::wait_for_listener(port_);
    }
    std::uint16_t port() const { return port_; }

private:
    ixor_test::AgentRoot root_;
    std::uint16_t port_ = 0;
    std::optional<ixor_test::Child> child_;
};

void throughput(int connections, std::uint16_t direct, std::uint16_t proxy, std::uint16_t socat)
{
    const std::size_t total = std::size_t(256) << 20;
    const std::size_t each = total / std::size_t(connections);
    const auto road = [connections, each](std::uint16_t port) {
        return [port, connections, each] { stream_into(port, connections, each); };
    };
    const std::string what = std::to_string(connections) + " conn, 256 MiB, time";
    // Throughput at least 0.9x of direct is time at most 1/0.9 of direct's.
    ixor_bench::print_row(what, ixor_bench::compare(road(proxy), road(direct), 5, 1),
                          "direct loopback", ixor_bench::at_most(1.0 / 0.9));
    ixor_bench::print_row(what, ixor_bench::compare(road(proxy), road(socat), 5, 1), "socat relay",
                          ixor_bench::at_most(1.0));
}

void latency(int connections, std::uint16_t direct, std::uint16_t proxy, std::uint16_t socat)
{
    const int trips = 20000 / connections;
    std::vector<double> d, p, s;
    for (int round = 0; round < 3; ++round) {
        for (auto [port, samples] : {std::pair{direct, &d}, {proxy, &p}, {socat, &s}}) {
            const std::vector<double> got = round_trips(port, connections, trips);
            samples->insert(samples->end(), got.begin(), got.end());
        }
    }
    const std::string what = std::to_string(connections) + " conn, round trip of 64 B";
    ixor_bench::print_row(what + ", median", {median(p), median(d), median(p) / median(d)},
                          "direct loopback", ixor_bench::no_target());
    ixor_bench::print_row(what + ", median", {median(p), median(s), median(p) / median(s)},
                          "socat relay", ixor_bench::no_target());
    ixor_bench::print_value(std::to_string(connections) + " conn, added latency, median",
                            median(p) - median(d), "us", ixor_bench::at_most(50));
}

}  // namespace

int main()
{
    ixor::os::raise_open_file_limit();
    return ixor_bench::run_benchmark([] {
        const EchoUpstream sink("127.0.0.1", 0, EchoUpstream::Mode::sink);
        const EchoUpstream echo("127.0.0.1", 0, EchoUpstream::Mode::echo);
        require(sink.listening() && echo.listening(), "loopback upstreams");
        {
            ixor_bench::print_section("relay throughput: streams into a sink");
            const Proxy proxy(sink.port());
            const Socat socat(sink.port());
            for (int connections : {1, 64}) {
                throughput(connections, sink.port(), proxy.port(), socat.port());
            }
        }
        ixor_bench::print_section("relay latency: round trips through an echo");
        const Proxy proxy(echo.port());
        const Socat socat(echo.port());
        for (int connections : {1, 64}) {
            latency(connections, echo.port(), proxy.port(), socat.port());
        }
    });
}
