// Lock files on Windows: LockFileEx on a handle of the lock's own, so that
// two locks of the same file exclude each other even inside one process.
// LockFileEx works on any handle, so lock files carry a DACL that lets no
// other account open them (security_win.h); one left readable by an older
// build gets that DACL on its owner's next open.
#include "handle_win.h"
#include "os.h"
#include "security_win.h"

namespace ixor::os {
namespace {

HANDLE native(LockHandle handle) { return reinterpret_cast<HANDLE>(handle); }

HANDLE open_lock(const std::string &path)
{
    if (!lock_security())
        return INVALID_HANDLE_VALUE;
    const HANDLE file = open_regular(path, GENERIC_READ | GENERIC_WRITE | WRITE_DAC, OPEN_ALWAYS,
                                     share_all, lock_security());
    // A lock file made before lock files had a DACL of their own is narrowed.
    if (file != INVALID_HANDLE_VALUE)
        set_protected_dacl(file, lock_security());
    return file;
}

}  // namespace

// The folders are made only when the file cannot be had without them. An
// account the DACLs keep out of the folder, or a read-only volume, reads
// without the lock.
LockHandle open_lock_file(const std::string &path)
{
    HANDLE file = open_lock(path);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND &&
        make_parent_dirs(path))
        file = open_lock(path);
    if (file != INVALID_HANDLE_VALUE)
        return reinterpret_cast<LockHandle>(file);
    // Opening a folder is denied too: only a file, or none, is read without.
    const DWORD error = GetLastError();
    const bool denied = error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT;
    return denied && replaceable(path) ? reader_without_lock : no_lock_handle;
}

// The whole possible range, so that every holder locks the same bytes.
bool try_lock(LockHandle handle)
{
    OVERLAPPED at = {};
    return handle == reader_without_lock ||
           LockFileEx(native(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                      MAXDWORD, MAXDWORD, &at) != 0;
}

void unlock(LockHandle handle)
{
    OVERLAPPED at = {};
    if (handle != reader_without_lock)
        UnlockFileEx(native(handle), 0, MAXDWORD, MAXDWORD, &at);
}

void close_lock_file(LockHandle handle)
{
    if (handle != reader_without_lock)
        CloseHandle(native(handle));
}

}  // namespace ixor::os
