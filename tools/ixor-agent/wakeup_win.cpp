// The agent's wake-ups on Windows: a change notification on the records'
// folder and an event that the console control handler sets.
#include "wakeup.h"

#include "os.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

HANDLE stop_event = nullptr;
HANDLE done_event = nullptr;
const DWORD close_grace_ms = 4000;

// Closing the console ends the process when the handler returns, so the
// handler waits for the agent to have stopped its children first.
BOOL WINAPI on_console(DWORD type)
{
    SetEvent(stop_event);
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) {
        WaitForSingleObject(done_event, close_grace_ms);
    }
    return TRUE;
}

// A parent that runs the agent as the agent runs its children may hand it
// a stop event too.
HANDLE inherited_stop_event()
{
    const std::optional<std::string> value = ixor::os::get_env("IXOR_STOP_EVENT");
    const unsigned long long handle = value ? std::strtoull(value->c_str(), nullptr, 10) : 0;
    return handle ? reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(handle)) : nullptr;
}

}  // namespace

struct Wakeup::Impl {
    HANDLE change = INVALID_HANDLE_VALUE;
    std::string folder;
};

Wakeup::Wakeup() : impl_(new Impl)
{
    const HANDLE inherited = inherited_stop_event();
    stop_event = inherited ? inherited : CreateEventW(nullptr, TRUE, FALSE, nullptr);
    done_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(on_console, TRUE);
}

Wakeup::~Wakeup()
{
    if (impl_->change != INVALID_HANDLE_VALUE) {
        FindCloseChangeNotification(impl_->change);
    }
    delete impl_;
}

void Wakeup::watch(const std::string &folder)
{
    if (folder == impl_->folder && impl_->change != INVALID_HANDLE_VALUE) {
        return;
    }
    if (impl_->change != INVALID_HANDLE_VALUE) {
        FindCloseChangeNotification(impl_->change);
    }
    impl_->folder = folder;
    impl_->change = FindFirstChangeNotificationW(
        ixor::os::widen(folder).c_str(), FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE);
}

// Children's exits are not among the handles: the loop's short timeout
// finds them.
void Wakeup::wait(int ms)
{
    HANDLE handles[2] = {stop_event, impl_->change};
    const DWORD count = impl_->change == INVALID_HANDLE_VALUE ? 1 : 2;
    const DWORD which = WaitForMultipleObjects(count, handles, FALSE, static_cast<DWORD>(ms));
    if (which == WAIT_OBJECT_0 + 1 && !FindNextChangeNotification(impl_->change)) {
        FindCloseChangeNotification(impl_->change);
        impl_->change = INVALID_HANDLE_VALUE;
    }
}

bool Wakeup::stop_requested() const { return WaitForSingleObject(stop_event, 0) == WAIT_OBJECT_0; }

void Wakeup::done() { SetEvent(done_event); }
