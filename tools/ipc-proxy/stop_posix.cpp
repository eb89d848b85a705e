// Requests to stop on POSIX: the agent's SIGTERM and an operator's SIGINT.
#include <csignal>

#include "stop_requests.h"

struct StopRequests::Impl {
    asio::signal_set signals;
};

StopRequests::StopRequests(asio::io_context &io, std::function<void()> on_stop)
    : impl_(new Impl{asio::signal_set(io, SIGTERM, SIGINT)})
{
    impl_->signals.async_wait([on_stop](const asio::error_code &ec, int) {
        if (!ec) {
            on_stop();
        }
    });
}

StopRequests::~StopRequests() = default;
