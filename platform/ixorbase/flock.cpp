// The ixor_flock_* exports: an exclusive lock on a lock file, over the
// system's own primitives (platform/os/lock_posix.cpp, lock_win.cpp).
#include "c_boundary.h"
#include "ixorbase.h"
#include "os.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <thread>

struct ixor_flock {
    ixor::os::LockHandle handle;
    bool held;
};

namespace {

// How long acquiring a lock file waits for its holder.
constexpr std::chrono::milliseconds lock_wait_bound(10000);

// Tries until the lock is had or the bound has passed. Locks are held for
// a save, well under a millisecond on a quick disk, so pauses start short
// (0.1 ms) and a waiter follows soon after the release; they grow to 5 ms.
bool lock_within_bound(ixor::os::LockHandle handle)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + lock_wait_bound;
    std::chrono::microseconds pause(100);
    while (!ixor::os::try_lock(handle)) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(5000));
    }
    return true;
}

}  // namespace

int ixor_flock_init(const char *path, ixor_flock **lock) noexcept
{
    return ixor::guarded(-1, [&] {
        if (!lock)
            return -1;
        *lock = nullptr;
        if (!path)
            return -1;
        const ixor::os::LockHandle handle = ixor::os::open_lock_file(path);
        if (handle == ixor::os::no_lock_handle)
            return -1;
        *lock = new (std::nothrow) ixor_flock{handle, false};
        if (!*lock) {
            ixor::os::close_lock_file(handle);
            return -1;
        }
        return 0;
    });
}

// Waits for a held lock up to the bound, then fails; a lock this handle
// holds already is held.
int ixor_flock_acquire(ixor_flock *lock) noexcept
{
    return ixor::guarded(-1, [&] {
        if (!lock)
            return -1;
        if (!lock->held)
            lock->held = lock_within_bound(lock->handle);
        return lock->held ? 0 : -1;
    });
}

void ixor_flock_release(ixor_flock *lock) noexcept
{
    ixor::guarded([&] {
        if (!lock || !lock->held)
            return;
        ixor::os::unlock(lock->handle);
        lock->held = false;
    });
}

void ixor_flock_destroy(ixor_flock *lock) noexcept
{
    ixor::guarded([&] {
        if (!lock)
            return;
        ixor::os::close_lock_file(lock->handle);
        delete lock;
    });
}
