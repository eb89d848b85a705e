// echo and send: a loopback upstream that answers, and a client for it, so
// that traffic through the proxy can be watched from the shell.
#include <asio.hpp>

#include <cstdlib>
#include <cstdio>
#include <thread>

#include "commands.h"

namespace {

using asio::ip::tcp;

bool loopback(const std::string &text, asio::ip::address &address)
{
    asio::error_code ec;
    address = asio::ip::make_address(text, ec);
    return !ec && address.is_v4() && address.to_v4().to_bytes()[0] == 127;
}

int port_arg(const std::string &text)
{
    const int port = std::atoi(text.c_str());
    return text.find_first_not_of("0123456789") == std::string::npos && !text.empty() &&
                   port <= 65535
               ? port
               : -1;
}

// Each connection gets its bytes back until it half-closes; one line per
// connection then tells how many, so a probe (0 bytes) and traffic differ.
void echo_connection(tcp::socket socket, const std::string &where)
{
    char buf[65536];
    asio::error_code ec;
    unsigned long long total = 0;
    for (;;) {
        const size_t n = socket.read_some(asio::buffer(buf), ec);
        if (ec || asio::write(socket, asio::buffer(buf, n), ec) != n || ec) {
            break;
        }
        total += n;
    }
    socket.shutdown(tcp::socket::shutdown_send, ec);
    std::printf("echo %s: %llu bytes back\n", where.c_str(), total);
    std::fflush(stdout);
}

int run_echo(const Invocation &inv)
{
    asio::ip::address address;
    const int port = port_arg(inv.args[1]);
    if (!loopback(inv.args[0], address) || port < 0) {
        return usage_error("echo: ADDR must be an IPv4 loopback address and PORT 0 to 65535");
    }
    asio::io_context io;
    asio::error_code ec;
    tcp::acceptor acceptor(io);
    const tcp::endpoint where(address, static_cast<unsigned short>(port));
    acceptor.open(where.protocol(), ec);
    if (!ec) {
        acceptor.bind(where, ec);
    }
    if (!ec) {
        acceptor.listen(64, ec);
    }
    if (ec) {
        return fail("echo failed: cannot listen on " + inv.args[0] + ":" + inv.args[1] + ": " +
                    ec.message());
    }
    const int bound = acceptor.local_endpoint().port();
    print_result(inv, std::to_string(bound), {{"port", bound}});
    const std::string name = inv.args[0] + ":" + std::to_string(bound);
    for (;;) {
        tcp::socket socket(io);
        acceptor.accept(socket, ec);
        if (!ec) {
            std::thread(echo_connection, std::move(socket), name).detach();
        }
    }
}

int run_send(const Invocation &inv)
{
    const int port = port_arg(inv.args[0]);
    if (port <= 0) {
        return usage_error("send: PORT must be 1 to 65535");
    }
    asio::io_context io;
    asio::error_code ec;
    tcp::socket socket(io);
    const std::string &text = inv.args[1];
    std::string reply;
    socket.connect(tcp::endpoint(asio::ip::address_v4::loopback(), port), ec);
    if (!ec) {
        asio::write(socket, asio::buffer(text), ec);
    }
    if (!ec) {
        socket.shutdown(tcp::socket::shutdown_send, ec);
    }
    if (!ec) {
        asio::read(socket, asio::dynamic_buffer(reply), ec);
    }
    if (ec != asio::error::eof) {
        return fail("send failed: 127.0.0.1:" + inv.args[0] + ": " + ec.message());
    }
    return print_result(inv, reply, {{"reply", reply}});
}

}  // namespace

const Command echo_command = {
    "echo",
    "ADDR PORT",
    "Echo on a loopback address as a stand-in upstream",
    "Listens on ADDR:PORT (ADDR in 127.0.0.0/8; PORT 0 lets the system pick),\n"
    "prints the port, then sends every connection its bytes back and, when it\n"
    "closes, prints how many, until it is stopped. The agent root is not touched.\n",
    2,
    2,
    run_echo};

const Command send_command = {
    "send",
    "PORT TEXT",
    "Send TEXT to 127.0.0.1:PORT and print the reply",
    "Connects to 127.0.0.1:PORT, sends TEXT, closes its sending side and prints\n"
    "what comes back until the other side closes: through the proxy's local\n"
    "port ('ixor-ipc local-port'), the upstream's answer.\n",
    2,
    2,
    run_send};
