// The portable relay: each direction reads into a buffer of its own and
// writes it out before it reads again.
#include "relay.h"

#include <array>
#include <memory>

namespace {

using asio::ip::tcp;

// Large enough that one read per system call keeps up with loopback, small
// enough for thousands of connections.
constexpr std::size_t chunk_size = 32 * 1024;

class Relay : public std::enable_shared_from_this<Relay> {
public:
    explicit Relay(RelayEnds ends) : ends_(std::move(ends)) {}

    void start()
    {
        pump(ends_.client, ends_.upstream, up_);
        pump(ends_.upstream, ends_.client, down_);
    }

private:
    using Chunk = std::array<char, chunk_size>;

    void pump(tcp::socket &from, tcp::socket &to, Chunk &chunk)
    {
        from.async_read_some(asio::buffer(chunk), [self = shared_from_this(), &from, &to, &chunk](
                                                      const asio::error_code &ec, std::size_t n) {
            if (!ec) {
                self->forward(from, to, chunk, n);
            } else if (ec == asio::error::eof) {
                asio::error_code ignored;
                to.shutdown(tcp::socket::shutdown_send, ignored);
            } else {
                self->ends_.close();
            }
        });
    }

    void forward(tcp::socket &from, tcp::socket &to, Chunk &chunk, std::size_t n)
    {
        asio::async_write(to, asio::buffer(chunk, n),
                          [self = shared_from_this(), &from, &to,
                           &chunk](const asio::error_code &ec, std::size_t) {
                              if (ec) {
                                  self->ends_.close();
                              } else {
                                  self->pump(from, to, chunk);
                              }
                          });
    }

    RelayEnds ends_;
    Chunk up_;
    Chunk down_;
};

}  // namespace

RelayEnds::RelayEnds(tcp::socket client_side, tcp::socket upstream_side)
    : client(std::move(client_side)), upstream(std::move(upstream_side))
{
    asio::error_code ignored;
    client.set_option(tcp::no_delay(true), ignored);
    upstream.set_option(tcp::no_delay(true), ignored);
}

void RelayEnds::close()
{
    asio::error_code ignored;
    client.close(ignored);
    upstream.close(ignored);
}

void start_copy_relay(RelayEnds ends) { std::make_shared<Relay>(std::move(ends))->start(); }
