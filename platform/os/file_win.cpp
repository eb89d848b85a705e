// Files on Windows: UTF-8 paths become UTF-16 and every call uses the W
// functions.
#include "handle_win.h"
#include "os.h"
#include "text_win.h"

#include <algorithm>
#include <vector>

namespace ixor::os {
namespace {

bool write_all(HANDLE h, std::string_view data)
{
    while (!data.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(h, data.data(), chunk, &written, nullptr) || written == 0)
            return false;
        data.remove_prefix(written);
    }
    return true;
}

// A scanner or backup tool that holds the target open without delete
// sharing makes a rename over it fail; it is tried again for about a
// second, in pauses from 5 to 200 ms.
constexpr int rename_attempts = 10;

bool held_by_another(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

long long size_of(HANDLE h)
{
    LARGE_INTEGER size;
    return GetFileSizeEx(h, &size) ? size.QuadPart : -1;
}

DWORD attributes(const std::string &path)
{
    const std::wstring wide = wide_path(path);
    return wide.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
}

}  // namespace

bool replaceable(const std::string &path)
{
    const DWORD attr = attributes(path);
    if (attr == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    return !(attr & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

HANDLE open_regular(const std::string &path, DWORD access, DWORD disposition, DWORD share,
                    PSECURITY_DESCRIPTOR security)
{
    const std::wstring wide = wide_path(path);
    if (wide.empty())
        return INVALID_HANDLE_VALUE;
    SECURITY_ATTRIBUTES sa{sizeof sa, security, FALSE};
    Handle h(CreateFileW(wide.c_str(), access, share, security ? &sa : nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!h.valid() || GetFileType(h.get()) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(h.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        if (h.valid())
            SetLastError(ERROR_INVALID_FUNCTION);
        return INVALID_HANDLE_VALUE;
    }
    return usable_file(h.get(), path) ? h.release() : INVALID_HANDLE_VALUE;
}

FileHandle create_new_file(const std::string &path, bool &name_taken)
{
    const HANDLE h = open_regular(path, GENERIC_WRITE, CREATE_NEW, 0);
    name_taken = h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS;
    return h == INVALID_HANDLE_VALUE ? no_file : reinterpret_cast<FileHandle>(h);
}

bool write_and_close(FileHandle file, std::string_view data)
{
    Handle h(reinterpret_cast<HANDLE>(file));
    return write_all(h.get(), data) && FlushFileBuffers(h.get()) && h.close();
}

// MOVEFILE_WRITE_THROUGH returns only once the rename is on disk, which
// also covers the durable case.
bool replace_file(const std::string &from, const std::string &to)
{
    const std::wstring wide_from = wide_path(from);
    const std::wstring wide_to = wide_path(to);
    DWORD pause = 5;
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(wide_from.c_str(), wide_to.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        if (attempt == rename_attempts || !held_by_another(GetLastError()))
            return false;
        Sleep(pause);
        pause = std::min<DWORD>(pause * 2, 200);
    }
}

bool sync_dir(const std::string &) { return true; }

std::optional<std::string> read_file(const std::string &path, std::uint64_t cap)
{
    Handle h(open_regular(path, GENERIC_READ, OPEN_EXISTING, share_all));
    const long long size = h.valid() ? size_of(h.get()) : -1;
    if (size < 0 || static_cast<std::uint64_t>(size) > cap)
        return std::nullopt;
    std::string content;
    std::vector<char> chunk(65536);
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(h.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &n, nullptr) ||
            content.size() + n > cap)
            return std::nullopt;
        if (n == 0)
            return content;
        content.append(chunk.data(), n);
    }
}

// Held around each append: not every implementation of the API makes
// appends through different handles atomic, and this byte lies far past
// any content, so readers are never blocked by it.
class AppendLock {
public:
    explicit AppendLock(HANDLE h) : h_(h)
    {
        at_.OffsetHigh = 0x7fffffff;
        held_ = LockFileEx(h_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at_) != 0;
    }
    ~AppendLock()
    {
        if (held_)
            UnlockFileEx(h_, 0, 1, 0, &at_);
    }
    AppendLock(const AppendLock &) = delete;
    AppendLock &operator=(const AppendLock &) = delete;
    bool held() const { return held_; }

private:
    HANDLE h_;
    OVERLAPPED at_ = {};
    bool held_ = false;
};

// FILE_APPEND_DATA without FILE_WRITE_DATA makes every write land at the
// end of the file, whoever else writes to it.
long long append_to_file(const std::string &path, std::string_view data)
{
    Handle h(open_regular(path, GENERIC_READ | FILE_APPEND_DATA, OPEN_ALWAYS, share_all));
    if (!h.valid())
        return -1;
    const AppendLock lock(h.get());
    DWORD written = 0;
    if (!lock.held() ||
        !WriteFile(h.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) ||
        written != data.size())
        return -1;
    return size_of(h.get());
}

long long file_size(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    const std::wstring wide = wide_path(path);
    if (wide.empty() || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool path_exists(const std::string &path) { return attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool rename_replace(const std::string &from, const std::string &to)
{
    return MoveFileExW(wide_path(from).c_str(), wide_path(to).c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool remove_file(const std::string &path) { return DeleteFileW(wide_path(path).c_str()); }

}  // namespace ixor::os
