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
    Relay(tcp::socket client, tcp::socket upstream)
        : client_(std::move(client)), upstream_(std::move(upstream))
    {
    }

    void start()
    {
        pump(client_, upstream_, up_);
        pump(upstream_, client_, down_);
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
                self->close();
            }
        });
    }

    void forward(tcp::socket &from, tcp::socket &to, Chunk &chunk, std::size_t n)
    {
        asio::async_write(to, asio::buffer(chunk, n),
                          [self = shared_from_this(), &from, &to, &chunk](
                              const asio::error_code &ec, std::size_t) {
                              if (ec) {
                                  self->close();
                              } else {
                                  self->pump(from, to, chunk);
                              }
                          });
    }

    // A failed side ends both directions at once.
    void close()
    {
        asio::error_code ignored;
        client_.close(ignored);
        upstream_.close(ignored);
    }

    tcp::socket client_;
    tcp::socket upstream_;
    Chunk up_;
    Chunk down_;
};

}  // namespace

void start_relay(tcp::socket client, tcp::socket upstream)
{
    asio::error_code ignored;
    client.set_option(tcp::no_delay(true), ignored);
    upstream.set_option(tcp::no_delay(true), ignored);
    std::make_shared<Relay>(std::move(client), std::move(upstream))->start();
}
