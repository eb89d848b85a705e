#include "failover.h"

#include <algorithm>

#include "agent_log.h"

namespace {

constexpr std::chrono::milliseconds first_pause{250};
constexpr std::chrono::milliseconds longest_pause{30000};

}  // namespace

Failover::Failover(asio::io_context &io, asio::ip::tcp::endpoint upstream, Reapply reapply)
    : strand_(asio::make_strand(io)), pause_(strand_), probe_(strand_), upstream_(upstream),
      reapply_(std::move(reapply)), backoff_(first_pause)
{
}

Failover::~Failover()
{
    if (worker_.joinable()) {
        worker_.join();
    }
}

void Failover::upstream_refused()
{
    asio::post(strand_, [this] {
        if (!active_) {
            active_ = true;
            start_reapply();
        }
    });
}

void Failover::upstream_answered()
{
    asio::post(strand_, [this] {
        if (!active_) {
            backoff_ = first_pause;
        }
    });
}

void Failover::start_reapply()
{
    agent_log(LogLevel::warn, "ipc_proxy",
              "upstream " + upstream_.address().to_string() + ":" +
                  std::to_string(upstream_.port()) +
                  " refuses connections, applying the stored registrations again");
    if (worker_.joinable()) {
        worker_.join();  // it has finished: its result was posted last
    }
    worker_ = std::thread([this] {
        const int result = reapply_();
        asio::post(strand_, [this, result] { reapplied(result); });
    });
}

void Failover::reapplied(int result)
{
    if (result != 0) {
        agent_log(LogLevel::error, "ipc_proxy",
                  "applying the stored registrations again failed: " + std::to_string(result));
    }
    pause_.expires_after(backoff_);
    backoff_ = std::min(backoff_ * 2, longest_pause);
    pause_.async_wait([this](const asio::error_code &ec) {
        if (!ec) {
            check_upstream();
        }
    });
}

// A restart with a new endpoint normally comes first; without one, the
// upstream is tried again and, still refusing, the re-apply repeated.
void Failover::check_upstream()
{
    asio::error_code ignored;
    probe_.close(ignored);
    probe_.async_connect(upstream_, [this](const asio::error_code &ec) {
        asio::error_code closed;
        probe_.close(closed);
        if (!ec) {
            agent_log(LogLevel::info, "ipc_proxy", "upstream answers again");
            active_ = false;
            backoff_ = first_pause;
            return;
        }
        start_reapply();
    });
}
