// Failover without a call: when the upstream refuses a connection, the
// stored registrations are applied again on a thread of their own (the
// probes block), at most one at a time. The library then writes the next
// answering candidate into the proxy configuration and the agent restarts
// this proxy with it. While the upstream still refuses, the re-apply is
// repeated with a growing pause; a connection that gets through ends that.
#ifndef IXOR_PROXY_FAILOVER_H
#define IXOR_PROXY_FAILOVER_H

#include <asio.hpp>
#include <chrono>
#include <functional>
#include <thread>

class Failover {
public:
    using Reapply = std::function<int()>;
    Failover(asio::io_context &io, asio::ip::tcp::endpoint upstream, Reapply reapply);
    ~Failover();  // waits for a re-apply still running
    Failover(const Failover &) = delete;
    Failover &operator=(const Failover &) = delete;

    // From any thread.
    void upstream_refused();
    void upstream_answered();

private:
    void start_reapply();
    void reapplied(int result);
    void check_upstream();

    asio::strand<asio::io_context::executor_type> strand_;
    asio::steady_timer pause_;
    asio::ip::tcp::socket probe_;
    asio::ip::tcp::endpoint upstream_;
    Reapply reapply_;
    std::thread worker_;
    std::chrono::milliseconds backoff_;
    bool active_ = false;
};

#endif
