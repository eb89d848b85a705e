// The operating system seam on Windows: UTF-8 paths become UTF-16 and
// every file call uses the W functions.
#include "ixorbase.h"
#include "os.h"

#include <windows.h>

#include <vector>

namespace ixorbase::os {
namespace {

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle()
    {
        if (valid())
            CloseHandle(h_);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    bool close()
    {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return CloseHandle(h) != 0;
    }

private:
    HANDLE h_;
};

constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE open_file(const std::string &path, DWORD access, DWORD disposition, DWORD share)
{
    const std::wstring wide = widen(path);
    if (wide.empty())
        return INVALID_HANDLE_VALUE;
    return CreateFileW(wide.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

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

// A new file beside the target whose name no other writer uses.
HANDLE create_temp_beside(const std::string &path, std::string &temp)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = next_temp_name(path);
        HANDLE h = open_file(temp, GENERIC_WRITE, CREATE_NEW, 0);
        if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return h;
    }
    return INVALID_HANDLE_VALUE;
}

bool fill_and_close(Handle &h, std::string_view data)
{
    return write_all(h.get(), data) && FlushFileBuffers(h.get()) && h.close();
}

long long size_of(HANDLE h)
{
    LARGE_INTEGER size;
    return GetFileSizeEx(h, &size) ? size.QuadPart : -1;
}

DWORD attributes(const std::string &path)
{
    const std::wstring wide = widen(path);
    return wide.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
}

}  // namespace

std::wstring widen(std::string_view utf8)
{
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                      static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                        static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

std::string narrow(std::wstring_view utf16)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                      nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return std::string();
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), utf8.data(),
                        n, nullptr, nullptr);
    return utf8;
}

void create_dir(const std::string &dir)
{
    const std::wstring wide = widen(dir);
    if (!wide.empty())
        CreateDirectoryW(wide.c_str(), nullptr);
}

bool is_directory(const std::string &path)
{
    const DWORD attr = attributes(path);
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

// MOVEFILE_WRITE_THROUGH returns only once the rename is on disk, which
// also covers the durable case.
bool write_file_atomic(const std::string &path, std::string_view data, bool)
{
    if (!make_parent_dirs(path))
        return false;
    std::string temp;
    Handle h(create_temp_beside(path, temp));
    if (!h.valid())
        return false;
    const bool done = fill_and_close(h, data) &&
                      MoveFileExW(widen(temp).c_str(), widen(path).c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!done)
        DeleteFileW(widen(temp).c_str());
    else
        remove_stale_temps(path);
    return done;
}

std::optional<std::string> read_file(const std::string &path, std::uint64_t cap)
{
    Handle h(open_file(path, GENERIC_READ, OPEN_EXISTING, share_all));
    const long long size = h.valid() ? size_of(h.get()) : -1;
    if (size < 0 || static_cast<std::uint64_t>(size) > cap ||
        GetFileType(h.get()) != FILE_TYPE_DISK)
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
    Handle h(open_file(path, GENERIC_READ | FILE_APPEND_DATA, OPEN_ALWAYS, share_all));
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
    const std::wstring wide = widen(path);
    if (wide.empty() || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool path_exists(const std::string &path)
{
    return attributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool rename_replace(const std::string &from, const std::string &to)
{
    return MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool remove_file(const std::string &path)
{
    return DeleteFileW(widen(path).c_str());
}

std::optional<std::string> process_path(int pid)
{
    std::vector<wchar_t> path(32768);
    DWORD n = 0;
    if (static_cast<DWORD>(pid) == GetCurrentProcessId()) {
        n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    } else {
        Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                   static_cast<DWORD>(pid)));
        n = static_cast<DWORD>(path.size());
        if (!process.valid() || !QueryFullProcessImageNameW(process.get(), 0, path.data(), &n))
            n = 0;
    }
    if (n == 0 || n >= path.size())
        return std::nullopt;
    return narrow(std::wstring_view(path.data(), n));
}

int current_pid()
{
    return static_cast<int>(GetCurrentProcessId());
}

bool process_alive(int pid)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

std::optional<std::string> get_env(const char *name)
{
    const std::wstring wide_name = widen(name);
    const DWORD n = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
    if (n == 0)
        return std::nullopt;
    std::wstring value(n, L'\0');
    const DWORD len = GetEnvironmentVariableW(wide_name.c_str(), value.data(), n);
    return narrow(std::wstring_view(value.data(), len));
}

}  // namespace ixorbase::os
