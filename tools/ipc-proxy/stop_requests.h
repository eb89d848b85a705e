// Where requests to stop come from: SIGTERM and SIGINT, and on Windows also
// Ctrl-C, Ctrl-Break, a console close and the agent's stop event, whose
// handle the agent passes in decimal in IXOR_STOP_EVENT. Each request runs
// the handler on the I/O context, so it must bear being run twice.
#ifndef IXOR_PROXY_STOP_REQUESTS_H
#define IXOR_PROXY_STOP_REQUESTS_H

#include <asio.hpp>
#include <functional>
#include <memory>

class StopRequests {
public:
    StopRequests(asio::io_context &io, std::function<void()> on_stop);
    ~StopRequests();
    StopRequests(const StopRequests &) = delete;
    StopRequests &operator=(const StopRequests &) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

#endif
