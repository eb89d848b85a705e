// Lock files on Windows: LockFileEx on a handle of the lock's own, so that
// two locks of the same file exclude each other even inside one process.
// A handle opened for reading can be locked too, which is all a read-only
// volume gives.
#include "handle_win.h"
#include "os.h"

namespace ixor::os {
namespace {

HANDLE open_lock(const std::string &path)
{
    const HANDLE file = open_regular(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, share_all);
    const DWORD error = GetLastError();
    if (file != INVALID_HANDLE_VALUE ||
        (error != ERROR_ACCESS_DENIED && error != ERROR_WRITE_PROTECT))
        return file;
    return open_regular(path, GENERIC_READ, OPEN_EXISTING, share_all);
}

HANDLE native(LockHandle handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

// The folders are made only when the file cannot be had without them.
LockHandle open_lock_file(const std::string &path)
{
    HANDLE file = open_lock(path);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND &&
        make_parent_dirs(path))
        file = open_lock(path);
    return file == INVALID_HANDLE_VALUE ? no_lock_handle : reinterpret_cast<LockHandle>(file);
}

// The whole possible range, so that every holder locks the same bytes.
bool try_lock(LockHandle handle)
{
    OVERLAPPED at = {};
    return LockFileEx(native(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                      MAXDWORD, MAXDWORD, &at) != 0;
}

void unlock(LockHandle handle)
{
    OVERLAPPED at = {};
    UnlockFileEx(native(handle), 0, MAXDWORD, MAXDWORD, &at);
}

void close_lock_file(LockHandle handle) { CloseHandle(native(handle)); }

}  // namespace ixor::os
