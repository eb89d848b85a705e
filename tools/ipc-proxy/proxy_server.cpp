#include "proxy_server.h"

#include <memory>

#include "failover.h"
#include "relay.h"

using asio::ip::tcp;

ProxyServer::ProxyServer(asio::io_context &io, std::uint16_t port, tcp::endpoint upstream,
                         Failover &failover, asio::error_code &ec)
    : io_(io), strand_(asio::make_strand(io)), acceptor_(strand_), pause_(strand_),
      upstream_(upstream), failover_(failover)
{
    const tcp::endpoint local(asio::ip::address_v4::loopback(), port);
    acceptor_.open(local.protocol(), ec);
#ifndef _WIN32
    // A restarted proxy binds its fixed port again while connections that
    // its predecessor closed linger in TIME_WAIT. (On Windows the option
    // would let another program take the port over.)
    if (!ec) {
        acceptor_.set_option(tcp::acceptor::reuse_address(true), ec);
    }
#endif
    if (!ec) {
        acceptor_.bind(local, ec);
    }
    if (!ec) {
        acceptor_.listen(asio::socket_base::max_listen_connections, ec);
    }
    if (!ec) {
        port_ = acceptor_.local_endpoint(ec).port();
    }
}

void ProxyServer::start()
{
    asio::post(strand_, [this] { accept(); });
}

void ProxyServer::close()
{
    asio::error_code ignored;
    acceptor_.close(ignored);
}

// Each connection gets a strand of its own, shared by its two sockets, so
// that the I/O threads run its handlers one at a time.
void ProxyServer::accept()
{
    acceptor_.async_accept(asio::make_strand(io_),
                           [this](const asio::error_code &ec, tcp::socket client) {
                               if (ec == asio::error::operation_aborted || !acceptor_.is_open()) {
                                   return;
                               }
                               if (ec) {
                                   accept_later();
                                   return;
                               }
                               connect_upstream(std::move(client));
                               accept();
                           });
}

// Out of descriptors or memory, the next accept would fail at once too.
void ProxyServer::accept_later()
{
    pause_.expires_after(std::chrono::milliseconds(100));
    pause_.async_wait([this](const asio::error_code &ec) {
        if (!ec) {
            accept();
        }
    });
}

void ProxyServer::connect_upstream(tcp::socket client)
{
    tcp::socket upstream(client.get_executor());
    auto pair = std::make_shared<std::pair<tcp::socket, tcp::socket>>(std::move(client),
                                                                      std::move(upstream));
    pair->second.async_connect(upstream_, [this, pair](const asio::error_code &ec) {
        // Out of descriptors or buffers is this process's trouble, not the
        // upstream's: no failover for that.
        if (ec && ec != asio::error::no_descriptors && ec != asio::error::no_buffer_space) {
            failover_.upstream_refused();
        }
        if (ec) {
            return;  // the client is closed with the pair
        }
        failover_.upstream_answered();
        start_relay(RelayEnds(std::move(pair->first), std::move(pair->second)));
    });
}
