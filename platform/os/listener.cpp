// A loopback listener over the per-system socket calls.
#include "os.h"

#include <chrono>

namespace ixor::os {

LoopbackListener::LoopbackListener(std::uint16_t port, int backlog)
    : socket_(listen_loopback(port, backlog)), port_(port)
{
}

LoopbackListener::~LoopbackListener()
{
    if (listening())
        close_socket(socket_);
}

void LoopbackListener::serve(int seconds)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::seconds(seconds);
    for (Clock::time_point now = Clock::now(); listening() && now < end; now = Clock::now())
        accept_one(socket_,
                   static_cast<int>(
                       std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count()));
}

}  // namespace ixor::os
