// Lock files on POSIX: flock(2) on a descriptor of the handle's own, so
// that two handles exclude each other even inside one process.
#include "ixorbase.h"
#include "os.h"

#include <new>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

struct ixor_flock {
    int fd;
    bool held;
};

namespace {

int open_file(const char *path)
{
    return ::open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

// The folders are made only when the file cannot be had without them.
int open_lock_file(const char *path)
{
    const int fd = open_file(path);
    if (fd >= 0 || errno != ENOENT || !ixorbase::os::make_parent_dirs(path))
        return fd;
    return open_file(path);
}

bool try_lock(int fd)
{
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

}  // namespace

int ixor_flock_init(const char *path, ixor_flock **lock)
{
    if (!lock)
        return -1;
    *lock = nullptr;
    if (!path)
        return -1;
    const int fd = open_lock_file(path);
    if (fd < 0)
        return -1;
    *lock = new (std::nothrow) ixor_flock{fd, false};
    if (!*lock) {
        ::close(fd);
        return -1;
    }
    return 0;
}

int ixor_flock_acquire(ixor_flock *lock)
{
    if (!lock)
        return -1;
    if (!lock->held)
        lock->held = ixorbase::os::retry_with_backoff([lock] { return try_lock(lock->fd); },
                                                      ixorbase::os::lock_wait_bound);
    return lock->held ? 0 : -1;
}

void ixor_flock_release(ixor_flock *lock)
{
    if (!lock || !lock->held)
        return;
    ::flock(lock->fd, LOCK_UN);
    lock->held = false;
}

void ixor_flock_destroy(ixor_flock *lock)
{
    if (!lock)
        return;
    ::close(lock->fd);
    delete lock;
}
