// Lock files on POSIX: flock(2) on a descriptor of the lock's own, so that
// two locks of the same file exclude each other even inside one process
// (fcntl record locks would not).
#include "os.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ixorbase::os {
namespace {

int open_file(const char *path)
{
    return ::open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

}  // namespace

// The folders are made only when the file cannot be had without them.
LockHandle open_lock_file(const char *path)
{
    int fd = open_file(path);
    if (fd < 0 && errno == ENOENT && make_parent_dirs(path))
        fd = open_file(path);
    return fd < 0 ? no_lock_handle : fd;
}

bool try_lock(LockHandle handle)
{
    return ::flock(static_cast<int>(handle), LOCK_EX | LOCK_NB) == 0;
}

void unlock(LockHandle handle)
{
    ::flock(static_cast<int>(handle), LOCK_UN);
}

void close_lock_file(LockHandle handle)
{
    ::close(static_cast<int>(handle));
}

}  // namespace ixorbase::os
