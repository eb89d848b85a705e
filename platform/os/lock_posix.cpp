// Lock files on POSIX: flock(2) on a descriptor of the lock's own, so that
// two locks of the same file exclude each other even inside one process
// (fcntl record locks would not). flock also works on a descriptor opened
// for reading, which is all a read-only file system gives.
#include "fd_posix.h"
#include "os.h"

#include <fcntl.h>
#include <sys/file.h>

namespace ixor::os {
namespace {

int open_lock(const char *path)
{
    const int fd = open_regular(path, O_RDWR, true);
    return fd >= 0 || (errno != EROFS && errno != EACCES) ? fd
                                                          : open_regular(path, O_RDONLY, false);
}

}  // namespace

// The folders are made only when the file cannot be had without them.
LockHandle open_lock_file(const std::string &path)
{
    int fd = open_lock(path.c_str());
    if (fd < 0 && errno == ENOENT && make_parent_dirs(path))
        fd = open_lock(path.c_str());
    return fd < 0 ? no_lock_handle : fd;
}

bool try_lock(LockHandle handle)
{
    return ::flock(static_cast<int>(handle), LOCK_EX | LOCK_NB) == 0;
}

void unlock(LockHandle handle) { ::flock(static_cast<int>(handle), LOCK_UN); }

void close_lock_file(LockHandle handle) { ::close(static_cast<int>(handle)); }

}  // namespace ixor::os
