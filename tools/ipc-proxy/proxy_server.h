// The local listener on 127.0.0.1: each accepted client gets its own
// connection to the upstream and a relay between the two. A refused
// upstream closes the client and tells the failover.
#ifndef IXOR_PROXY_SERVER_H
#define IXOR_PROXY_SERVER_H

#include <asio.hpp>
#include <cstdint>

class Failover;

class ProxyServer {
public:
    // Listens at once; port 0 lets the system pick one.
    ProxyServer(asio::io_context &io, std::uint16_t port, asio::ip::tcp::endpoint upstream,
                Failover &failover, asio::error_code &ec);
    std::uint16_t port() const { return port_; }
    void start();
    // Once the I/O threads have ended: no more clients are accepted.
    void close();

private:
    void accept();
    void connect_upstream(asio::ip::tcp::socket client);
    void accept_later();

    asio::io_context &io_;
    asio::strand<asio::io_context::executor_type> strand_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer pause_;
    asio::ip::tcp::endpoint upstream_;
    Failover &failover_;
    std::uint16_t port_ = 0;
};

#endif
