// The built ipc_proxy as a process between loopback clients and echoing
// upstreams of the test's own: what it publishes, what it relays, how it
// stops, and how a refusing upstream hands over to the next candidate.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <thread>

#include "agent_root.h"
#include "echo_upstream.h"
#include "ixor_ipc.h"

namespace {

using asio::ip::tcp;
using ixor_test::AgentRoot;
using ixor_test::Child;
using ixor_test::EchoUpstream;
using ixor_test::exchange;
using ixor_test::ini_value;
const std::string end_word(ixor_test::echo_last_word);

bool eventually(const std::function<bool()> &condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Registers one product whose candidates share a port, through the real
// library, which probes them and writes the proxy configuration.
void register_endpoint(const AgentRoot &root, const std::string &addrs, std::uint16_t port)
{
    root.register_product("PXY");
    ASSERT_EQ(ixor_change_ipcproxy_addrport("PXY", "50", addrs.c_str(),
                                            std::to_string(port).c_str(), nullptr),
              0);
}

// The proxy on the root, ready once it has published its port.
class Proxy {
public:
    Proxy(const AgentRoot &root, std::vector<std::string> args)
        : out_(root.root() + "/proxy.out"), child_(start(root, std::move(args), out_))
    {
        ready_ = eventually(
                     [this] { return ixor_get_ipcproxy_localport() != 0 || !child_.running(); }) &&
                 child_.running();
    }
    bool ready() const { return ready_; }
    std::uint16_t port() const { return std::uint16_t(ixor_get_ipcproxy_localport()); }
    int stop()
    {
        child_.terminate();
        return child_.wait();
    }
    std::string errors() const { return ixor_test::read_file(out_ + ".err"); }

private:
    static Child start(const AgentRoot &root, std::vector<std::string> args, const std::string &out)
    {
        args.insert(args.end(), {"--root", root.root()});
        return Child::beside(IXOR_PROXY_NAME, args, out, out + ".err");
    }
    std::string out_;
    Child child_;
    bool ready_ = false;
};

class RelayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(upstream_.listening());
        register_endpoint(root_, "127.0.0.1", upstream_.port());
        proxy_.emplace(root_, std::vector<std::string>{});
        ASSERT_TRUE(proxy_->ready()) << proxy_->errors();
    }

    AgentRoot root_;
    EchoUpstream upstream_;
    std::optional<Proxy> proxy_;
};

// Each client's bytes: their own length and content.
std::string payload(unsigned seed, size_t size)
{
    std::mt19937 gen(seed);
    std::string bytes(size, '\0');
    for (char &c : bytes)
        c = static_cast<char>(gen());
    return bytes;
}

TEST(ProxyLifeCycle, PublishesItsPortAndUpstreamRelaysHalfClosesAndClearsThemWhenStopped)
{
    AgentRoot root;
    EchoUpstream upstream;
    register_endpoint(root, "127.0.0.1", upstream.port());
    const std::uint16_t fixed = ixor_test::closed_port();
    Proxy proxy(root, {"--port", std::to_string(fixed)});
    ASSERT_TRUE(proxy.ready()) << proxy.errors();
    EXPECT_EQ(proxy.port(), fixed);
    char addr[64] = "";
    int port = 0;
    ASSERT_EQ(ixor_get_ipcproxy_connectaddr(addr, sizeof addr, &port), 0);
    EXPECT_STREQ(addr, "127.0.0.1");
    EXPECT_EQ(port, upstream.port());
    // The last word comes only after the upstream has seen the client's end.
    EXPECT_EQ(exchange(fixed, "ping"), "ping" + end_word);
    EXPECT_EQ(exchange(fixed, ""), end_word);

    EXPECT_EQ(proxy.stop(), 0);
    EXPECT_EQ(ixor_get_ipcproxy_localport(), 0);
    EXPECT_EQ(ixor_get_ipcproxy_connectaddr(addr, sizeof addr, &port), -1);
    EXPECT_EQ(exchange(fixed, "ping"), "");
    EXPECT_NE(root.log_text().find("ipc_proxy] stopped"), std::string::npos);
}

TEST(ProxyLifeCycle, RefusesWhatItCannotServe)
{
    AgentRoot root;  // no registration, so no proxy configuration
    struct Case {
        std::vector<std::string> args;
        int status;
        const char *says;
    } cases[] = {
        {{"--port", "65536"}, 2, "--port needs a number"},
        {{"--port"}, 2, "--port needs a number"},
        {{"--root"}, 2, "--root needs a directory"},
        {{"--serve"}, 2, "unknown argument --serve"},
        {{"--root", root.root()}, 1, "no proxy configuration"},
    };
    for (const Case &c : cases) {
        const std::string out = root.root() + "/out";
        const int status = Child::beside(IXOR_PROXY_NAME, c.args, out, out + ".err").wait();
        EXPECT_EQ(status, c.status) << c.says;
        EXPECT_NE(ixor_test::read_file(out + ".err").find(c.says), std::string::npos) << c.says;
    }
    EXPECT_EQ(ixor_get_ipcproxy_localport(), 0);
}

TEST_F(RelayTest, ThousandConcurrentClientsEachGetTheirOwnBytesBack)
{
    constexpr unsigned count = 1000;
    ixor::os::raise_open_file_limit();  // the clients and the upstream's ends
    struct Client {
        explicit Client(asio::io_context &io) : socket(io) {}
        tcp::socket socket;
        std::string sent, got;
    };
    asio::io_context io;
    std::vector<std::unique_ptr<Client>> clients;
    unsigned connected = 0;
    // Every client sends only once all are connected, so that all are open
    // at the same time.
    auto exchange_all = [&clients] {
        for (auto &client : clients) {
            Client *c = client.get();
            asio::async_write(c->socket, asio::buffer(c->sent), [c](asio::error_code ec, size_t) {
                c->socket.shutdown(tcp::socket::shutdown_send, ec);
                asio::async_read(c->socket, asio::dynamic_buffer(c->got),
                                 [](asio::error_code, size_t) {});
            });
        }
    };
    const tcp::endpoint proxy(asio::ip::address_v4::loopback(), proxy_->port());
    for (unsigned i = 0; i < count; ++i) {
        clients.push_back(std::make_unique<Client>(io));
        clients.back()->sent = payload(i, 1 + (i * 7919) % 20000);
        clients.back()->socket.async_connect(proxy, [&](asio::error_code ec) {
            ASSERT_FALSE(ec) << ec.message();
            if (++connected == count)
                exchange_all();
        });
    }
    io.run();
    ASSERT_EQ(connected, count);
    unsigned intact = 0;
    for (const auto &c : clients)
        intact += c->got == c->sent + end_word;
    EXPECT_EQ(intact, count);
}

// A stream of pseudo-random bytes, the same for the same seed.
class ByteStream {
public:
    explicit ByteStream(std::uint64_t seed) : state_(seed) {}
    void fill(char *bytes, size_t size)
    {
        for (size_t i = 0; i < size; ++i) {
            state_ ^= state_ << 13;
            state_ ^= state_ >> 7;
            state_ ^= state_ << 17;
            bytes[i] = static_cast<char>(state_ >> 32);
        }
    }

private:
    std::uint64_t state_;
};

TEST_F(RelayTest, GibibyteStreamArrivesIntactBothWays)
{
    // Wine relays every socket call through its server, some ten times
    // slower: there an eighth of the stream keeps the run within minutes.
    const size_t total = size_t(1) << (ixor_test::process_starts_are_costly() ? 27 : 30);
    constexpr size_t chunk = 256 * 1024;
    asio::io_context io;
    tcp::socket socket(io);
    socket.connect({asio::ip::address_v4::loopback(), proxy_->port()});
    std::thread writer([&socket, total] {
        ByteStream stream(42);
        std::vector<char> bytes(chunk);
        asio::error_code ec;
        for (size_t sent = 0; sent < total && !ec; sent += chunk) {
            stream.fill(bytes.data(), chunk);
            asio::write(socket, asio::buffer(bytes), ec);
        }
        socket.shutdown(tcp::socket::shutdown_send, ec);
    });
    ByteStream expected(42);
    std::vector<char> got(chunk), want(chunk);
    size_t received = 0, wrong = 0;
    asio::error_code ec;
    while (received < total && !ec) {
        const size_t n = asio::read(socket, asio::buffer(got), ec);
        expected.fill(want.data(), n);
        wrong += !std::equal(got.begin(), got.begin() + long(n), want.begin());
        received += n;
    }
    std::string tail;
    asio::read(socket, asio::dynamic_buffer(tail), ec);
    writer.join();
    EXPECT_EQ(received, total);
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(tail, end_word);
}

TEST(ProxyFailover, RefusingUpstreamHandsOverToTheNextAnsweringCandidate)
{
    AgentRoot root;
    // Two candidates on one port: 127.0.0.1 first, 127.0.0.2 second. The
    // port that the system gives the second may be taken on the first.
    std::unique_ptr<EchoUpstream> first, second;
    for (int tries = 0; tries < 20 && !(first && first->listening()); ++tries) {
        second = std::make_unique<EchoUpstream>("127.0.0.2");
        first = std::make_unique<EchoUpstream>("127.0.0.1", second->port());
    }
    ASSERT_TRUE(second->listening() && first->listening());
    register_endpoint(root, "127.0.0.1;127.0.0.2", second->port());
    ASSERT_EQ(ini_value(root.proxy_conf(), "config", "addr"), "127.0.0.1");
    Proxy proxy(root, {});
    ASSERT_TRUE(proxy.ready()) << proxy.errors();
    EXPECT_EQ(exchange(proxy.port(), "a"), "a" + end_word);

    first.reset();
    EXPECT_EQ(exchange(proxy.port(), "b"), "");
    EXPECT_TRUE(
        eventually([&] { return ini_value(root.proxy_conf(), "config", "addr") == "127.0.0.2"; }));
    EXPECT_NE(root.log_text().find("refuses connections, applying the stored registrations"),
              std::string::npos);
    EXPECT_EQ(proxy.stop(), 0);
}

}  // namespace
