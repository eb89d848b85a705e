// The Linux relay: each direction splices from its socket into a pipe of
// its own and from the pipe into the other socket, so the bytes stay in the
// kernel.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <memory>
#include <utility>

#include "relay.h"

namespace {

using asio::ip::tcp;

// The most a direction moves before it lets other connections run.
constexpr int turns_per_wake = 16;
constexpr std::size_t splice_size = 1 << 20;

struct Pipe {
    int read = -1;
    int write = -1;
    std::size_t held = 0;  // bytes in the pipe, read but not yet sent
    Pipe() = default;
    Pipe(Pipe &&other) noexcept
        : read(std::exchange(other.read, -1)), write(std::exchange(other.write, -1))
    {
    }
    bool open()
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
            return false;
        }
        read = ends[0];
        write = ends[1];
        return true;
    }
    ~Pipe()
    {
        if (read >= 0) {
            ::close(read);
            ::close(write);
        }
    }
};

class SpliceRelay : public std::enable_shared_from_this<SpliceRelay> {
public:
    SpliceRelay(RelayEnds ends, Pipe up, Pipe down)
        : ends_(std::move(ends)), up_(std::move(up)), down_(std::move(down))
    {
    }

    void start()
    {
        asio::error_code ignored;
        ends_.client.native_non_blocking(true, ignored);
        ends_.upstream.native_non_blocking(true, ignored);
        pump(ends_.client, ends_.upstream, up_);
        pump(ends_.upstream, ends_.client, down_);
    }

private:
    enum class Step { moved, wait_read, wait_write, ended, failed };

    // Moves what is there, pipe first, then the socket into the pipe.
    static Step move(tcp::socket &from, tcp::socket &to, Pipe &pipe)
    {
        if (pipe.held > 0) {
            const ssize_t n = ::splice(pipe.read, nullptr, to.native_handle(), nullptr, pipe.held,
                                       SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
            if (n > 0) {
                pipe.held -= std::size_t(n);
                return Step::moved;
            }
            return n < 0 && errno == EAGAIN ? Step::wait_write : Step::failed;
        }
        const ssize_t n = ::splice(from.native_handle(), nullptr, pipe.write, nullptr, splice_size,
                                   SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
        if (n > 0) {
            pipe.held = std::size_t(n);
            return Step::moved;
        }
        if (n == 0) {
            return Step::ended;
        }
        return errno == EAGAIN ? Step::wait_read : Step::failed;
    }

    void pump(tcp::socket &from, tcp::socket &to, Pipe &pipe)
    {
        Step step = Step::moved;
        for (int turn = 0; step == Step::moved && turn < turns_per_wake; ++turn) {
            step = move(from, to, pipe);
        }
        auto again = [self = shared_from_this(), &from, &to, &pipe](const asio::error_code &ec) {
            if (ec) {
                self->ends_.close();
            } else {
                self->pump(from, to, pipe);
            }
        };
        switch (step) {
        case Step::moved:
            asio::post(from.get_executor(), [again] { again({}); });
            break;
        case Step::wait_read:
            from.async_wait(tcp::socket::wait_read, again);
            break;
        case Step::wait_write:
            to.async_wait(tcp::socket::wait_write, again);
            break;
        case Step::ended: {
            asio::error_code ignored;
            to.shutdown(tcp::socket::shutdown_send, ignored);
            break;
        }
        case Step::failed:
            ends_.close();
            break;
        }
    }

    RelayEnds ends_;
    Pipe up_;
    Pipe down_;
};

}  // namespace

void start_relay(RelayEnds ends)
{
    // Splicing into a socket whose peer has gone raises SIGPIPE; the relay
    // wants the EPIPE instead.
    static const bool sigpipe_ignored = std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
    (void)sigpipe_ignored;
    Pipe up, down;
    if (!up.open() || !down.open()) {
        start_copy_relay(std::move(ends));  // out of descriptors
        return;
    }
    std::make_shared<SpliceRelay>(std::move(ends), std::move(up), std::move(down))->start();
}
