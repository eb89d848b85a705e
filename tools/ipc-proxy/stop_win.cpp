// Requests to stop on Windows: the agent's stop event, and the console's
// Ctrl-C, Ctrl-Break and close, which the C runtime or the handler below
// turn into signals.
#include <windows.h>

#include <csignal>
#include <cstdlib>
#include <optional>

#include "os.h"
#include "stop_requests.h"

namespace {

// The process ends when the handler returns from a close, log-off or
// shut-down, so it waits for main to finish and end the process first.
BOOL WINAPI on_console_event(DWORD event)
{
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        std::raise(SIGTERM);
        Sleep(10000);
        return TRUE;
    }
    return FALSE;
}

std::optional<HANDLE> agent_stop_event()
{
    const std::optional<std::string> text = ixor::os::get_env("IXOR_STOP_EVENT");
    if (!text || text->empty() || text->find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const unsigned long long value = std::strtoull(text->c_str(), nullptr, 10);
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
}

}  // namespace

struct StopRequests::Impl {
    asio::signal_set signals;
    std::optional<asio::windows::object_handle> event;
};

StopRequests::StopRequests(asio::io_context &io, std::function<void()> on_stop)
    : impl_(new Impl{asio::signal_set(io, SIGTERM, SIGINT, SIGBREAK), std::nullopt})
{
    const std::function<void()> stop = std::move(on_stop);
    impl_->signals.async_wait([stop](const asio::error_code &ec, int) {
        if (!ec) {
            stop();
        }
    });
    if (const std::optional<HANDLE> handle = agent_stop_event()) {
        impl_->event.emplace(io, *handle);
        impl_->event->async_wait([stop](const asio::error_code &ec) {
            if (!ec) {
                stop();
            }
        });
    }
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

StopRequests::~StopRequests() { SetConsoleCtrlHandler(on_console_event, FALSE); }
