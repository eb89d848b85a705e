// An upstream endpoint on a loopback address that sends back every byte it
// gets (or, as a sink, drops them) and, once the client has ended its
// stream, a last word before it ends its own: a client that receives that
// word knows its half-close went through. Runs on a thread of its own; for
// tests and benchmarks of relays.
#ifndef IXOR_TEST_ECHO_UPSTREAM_H
#define IXOR_TEST_ECHO_UPSTREAM_H

#include <asio.hpp>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

namespace ixor_test {

inline constexpr std::string_view echo_last_word = "<end>";

class EchoUpstream {
public:
    enum class Mode { echo, sink };
    // Port 0 lets the system pick one.
    explicit EchoUpstream(const std::string &ip = "127.0.0.1", std::uint16_t port = 0,
                          Mode mode = Mode::echo);
    ~EchoUpstream();  // refuses connections from then on
    EchoUpstream(const EchoUpstream &) = delete;
    EchoUpstream &operator=(const EchoUpstream &) = delete;
    bool listening() const { return port_ != 0; }
    std::uint16_t port() const { return port_; }

private:
    void accept();

    asio::io_context io_;
    asio::ip::tcp::acceptor acceptor_;
    std::uint16_t port_ = 0;
    Mode mode_;
    std::thread thread_;
};

// A connection to 127.0.0.1:port that sends the bytes (few enough for the
// socket buffers, as nothing is read meanwhile), ends its stream and
// returns all that comes back until the other side ends its own.
std::string exchange(std::uint16_t port, std::string_view bytes);

}  // namespace ixor_test

#endif
