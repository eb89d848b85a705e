// Lock files on Windows: LockFileEx on a handle of the lock's own, so that
// two locks of the same file exclude each other even inside one process.
#include "os.h"

#include <windows.h>

namespace ixorbase::os {
namespace {

HANDLE open_file(const std::wstring &wide)
{
    return CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE native(LockHandle handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

// The folders are made only when the file cannot be had without them.
LockHandle open_lock_file(const char *path)
{
    const std::wstring wide = widen(path);
    if (wide.empty())
        return no_lock_handle;
    HANDLE file = open_file(wide);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND &&
        make_parent_dirs(path))
        file = open_file(wide);
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

void close_lock_file(LockHandle handle)
{
    CloseHandle(native(handle));
}

}  // namespace ixorbase::os
