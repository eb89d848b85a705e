// The ixor_flock_* exports: an exclusive lock on a lock file, over the
// system's own primitives (flock_posix.cpp, flock_win.cpp).
#include "ixorbase.h"
#include "os.h"

#include <new>

struct ixor_flock {
    ixorbase::os::LockHandle handle;
    bool held;
};

int ixor_flock_init(const char *path, ixor_flock **lock)
{
    if (!lock)
        return -1;
    *lock = nullptr;
    if (!path)
        return -1;
    const ixorbase::os::LockHandle handle = ixorbase::os::open_lock_file(path);
    if (handle == ixorbase::os::no_lock_handle)
        return -1;
    *lock = new (std::nothrow) ixor_flock{handle, false};
    if (!*lock) {
        ixorbase::os::close_lock_file(handle);
        return -1;
    }
    return 0;
}

// Waits for a held lock up to the bound, then fails; a lock this handle
// holds already is held.
int ixor_flock_acquire(ixor_flock *lock)
{
    if (!lock)
        return -1;
    if (!lock->held)
        lock->held = ixorbase::os::retry_with_backoff(
            [lock] { return ixorbase::os::try_lock(lock->handle); }, ixorbase::os::lock_wait_bound);
    return lock->held ? 0 : -1;
}

void ixor_flock_release(ixor_flock *lock)
{
    if (!lock || !lock->held)
        return;
    ixorbase::os::unlock(lock->handle);
    lock->held = false;
}

void ixor_flock_destroy(ixor_flock *lock)
{
    if (!lock)
        return;
    ixorbase::os::close_lock_file(lock->handle);
    delete lock;
}
