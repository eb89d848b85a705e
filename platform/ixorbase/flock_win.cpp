// Lock files on Windows: LockFileEx on a handle of the lock's own, so that
// two handles exclude each other even inside one process.
#include "ixorbase.h"
#include "os.h"

#include <new>

#include <windows.h>

struct ixor_flock {
    HANDLE file;
    bool held;
};

namespace {

// The whole possible range, so that every holder locks the same bytes.
bool try_lock(HANDLE file)
{
    OVERLAPPED at = {};
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                      MAXDWORD, &at) != 0;
}

HANDLE open_file(const std::wstring &wide)
{
    return CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The folders are made only when the file cannot be had without them.
HANDLE open_lock_file(const char *path, const std::wstring &wide)
{
    const HANDLE file = open_file(wide);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_PATH_NOT_FOUND ||
        !ixorbase::os::make_parent_dirs(path))
        return file;
    return open_file(wide);
}

}  // namespace

int ixor_flock_init(const char *path, ixor_flock **lock)
{
    if (!lock)
        return -1;
    *lock = nullptr;
    if (!path)
        return -1;
    const std::wstring wide = ixorbase::os::widen(path);
    if (wide.empty())
        return -1;
    HANDLE file = open_lock_file(path, wide);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    *lock = new (std::nothrow) ixor_flock{file, false};
    if (!*lock) {
        CloseHandle(file);
        return -1;
    }
    return 0;
}

int ixor_flock_acquire(ixor_flock *lock)
{
    if (!lock)
        return -1;
    if (!lock->held)
        lock->held = ixorbase::os::retry_with_backoff([lock] { return try_lock(lock->file); },
                                                      ixorbase::os::lock_wait_bound);
    return lock->held ? 0 : -1;
}

void ixor_flock_release(ixor_flock *lock)
{
    if (!lock || !lock->held)
        return;
    OVERLAPPED at = {};
    UnlockFileEx(lock->file, 0, MAXDWORD, MAXDWORD, &at);
    lock->held = false;
}

void ixor_flock_destroy(ixor_flock *lock)
{
    if (!lock)
        return;
    CloseHandle(lock->file);
    delete lock;
}
