#include "echo_upstream.h"

#include <array>
#include <memory>

namespace ixor_test {

namespace {

using asio::ip::tcp;

class EchoSession : public std::enable_shared_from_this<EchoSession> {
public:
    EchoSession(tcp::socket socket, bool echo) : socket_(std::move(socket)), echo_(echo) {}

    void read()
    {
        socket_.async_read_some(asio::buffer(chunk_),
                                [self = shared_from_this()](const asio::error_code &ec, size_t n) {
                                    if (!ec && self->echo_) {
                                        self->echo(n);
                                    } else if (!ec) {
                                        self->read();
                                    } else if (ec == asio::error::eof) {
                                        self->finish();
                                    }
                                });
    }

private:
    void echo(size_t n)
    {
        asio::async_write(socket_, asio::buffer(chunk_, n),
                          [self = shared_from_this()](const asio::error_code &ec, size_t) {
                              if (!ec)
                                  self->read();
                          });
    }

    void finish()
    {
        asio::async_write(socket_, asio::buffer(echo_last_word),
                          [self = shared_from_this()](const asio::error_code &, size_t) {
                              asio::error_code ignored;
                              self->socket_.shutdown(tcp::socket::shutdown_send, ignored);
                          });
    }

    tcp::socket socket_;
    bool echo_;
    std::array<char, 64 * 1024> chunk_;
};

}  // namespace

EchoUpstream::EchoUpstream(const std::string &ip, std::uint16_t port, Mode mode)
    : acceptor_(io_), mode_(mode)
{
    asio::error_code ec;
    const tcp::endpoint at(asio::ip::make_address(ip, ec), port);
    acceptor_.open(at.protocol(), ec);
    if (!ec)
        acceptor_.bind(at, ec);
    if (!ec)
        acceptor_.listen(asio::socket_base::max_listen_connections, ec);
    if (ec)
        return;
    port_ = acceptor_.local_endpoint().port();
    accept();
    thread_ = std::thread([this] { io_.run(); });
}

EchoUpstream::~EchoUpstream()
{
    io_.stop();
    if (thread_.joinable())
        thread_.join();
}

void EchoUpstream::accept()
{
    acceptor_.async_accept([this](const asio::error_code &ec, tcp::socket socket) {
        if (!ec)
            std::make_shared<EchoSession>(std::move(socket), mode_ == Mode::echo)->read();
        if (ec != asio::error::operation_aborted)
            accept();
    });
}

std::string exchange(std::uint16_t port, std::string_view bytes)
{
    asio::io_context io;
    tcp::socket socket(io);
    asio::error_code ec;
    socket.connect({asio::ip::address_v4::loopback(), port}, ec);
    std::string got;
    if (ec)
        return got;
    asio::write(socket, asio::buffer(bytes), ec);
    socket.shutdown(tcp::socket::shutdown_send, ec);
    asio::read(socket, asio::dynamic_buffer(got), ec);
    return got;
}

}  // namespace ixor_test
