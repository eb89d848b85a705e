// Lock files on POSIX: flock(2) on a descriptor of the lock's own, so that
// two locks of the same file exclude each other even inside one process
// (fcntl record locks would not). Lock files are 0600: flock works on any
// descriptor, so a lock file that others could open for reading would let
// them hold it.
#include "fd_posix.h"
#include "os.h"

#include <fcntl.h>
#include <sys/file.h>

namespace ixor::os {
namespace {

int open_lock(const std::string &path)
{
    return open_regular(path.c_str(), O_RDWR, true, lock_mode);
}

// Only a caller that may not write the folder (nor, then, the data file
// beside the lock) reads without the lock; root never does but on a
// read-only file system.
bool reads_without_lock(const std::string &path, int error)
{
    if (error == EROFS)
        return true;
    const std::string dir = parent_dir(path);
    return error == EACCES &&
           ::faccessat(AT_FDCWD, dir.empty() ? "." : dir.c_str(), W_OK, AT_EACCESS) != 0;
}

}  // namespace

// The folders are made only when the file cannot be had without them.
LockHandle open_lock_file(const std::string &path)
{
    int fd = open_lock(path);
    if (fd < 0 && errno == ENOENT && make_parent_dirs(path))
        fd = open_lock(path);
    if (fd >= 0)
        return fd;
    return reads_without_lock(path, errno) ? reader_without_lock : no_lock_handle;
}

bool try_lock(LockHandle handle)
{
    return handle == reader_without_lock ||
           ::flock(static_cast<int>(handle), LOCK_EX | LOCK_NB) == 0;
}

void unlock(LockHandle handle)
{
    if (handle != reader_without_lock)
        ::flock(static_cast<int>(handle), LOCK_UN);
}

void close_lock_file(LockHandle handle)
{
    if (handle != reader_without_lock)
        ::close(static_cast<int>(handle));
}

}  // namespace ixor::os
