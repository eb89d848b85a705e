// Files on POSIX.
#include "fd_posix.h"
#include "os.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace ixor::os {
namespace {

constexpr int no_follow = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

bool is_regular(int fd)
{
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

bool write_all(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = no_eintr([&] { return ::write(fd, data.data(), data.size()); });
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool sync_directory(const std::string &dir)
{
    const Fd fd(::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.valid() && ::fsync(fd.get()) == 0;
}

// Nothing there, or a regular file: a save may replace it.
bool replaceable(const std::string &path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 ? S_ISREG(st.st_mode) : errno == ENOENT;
}

// Creates the file with the platform's mode, failing when anything at all
// lies at the path.
int create_new(const char *path, int access)
{
    const int fd =
        no_eintr([&] { return ::open(path, access | O_CREAT | O_EXCL | no_follow, file_mode); });
    if (fd < 0 || ::fchmod(fd, file_mode) == 0)
        return fd;
    ::close(fd);
    return -1;
}

// A new file beside the target whose name no other writer uses.
int create_temp_beside(const std::string &path, std::string &temp)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = next_temp_name(path);
        const int fd = create_new(temp.c_str(), O_WRONLY);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool fill_and_close(Fd &fd, std::string_view data)
{
    return write_all(fd.get(), data) && ::fsync(fd.get()) == 0 && fd.close();
}

}  // namespace

// A file renamed away between the two opens (a log rotation) is created
// afresh.
int open_regular(const char *path, int access, bool create)
{
    for (;;) {
        if (create) {
            const int fd = create_new(path, access);
            if (fd >= 0 || errno != EEXIST)
                return fd;
        }
        const int fd = no_eintr([&] { return ::open(path, access | no_follow); });
        if (fd < 0 && create && errno == ENOENT)
            continue;
        if (fd < 0 || is_regular(fd))
            return fd;
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
}

bool write_file_atomic(const std::string &path, std::string_view data, bool durable)
{
    if (!replaceable(path) || !make_parent_dirs(path))
        return false;
    std::string temp;
    Fd fd(create_temp_beside(path, temp));
    if (!fd.valid())
        return false;
    if (!fill_and_close(fd, data) || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    remove_stale_temps(path);
    return !durable || sync_directory(parent_dir(path));
}

std::optional<std::string> read_file(const std::string &path, std::uint64_t cap)
{
    const Fd fd(open_regular(path.c_str(), O_RDONLY, false));
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || static_cast<std::uint64_t>(st.st_size) > cap)
        return std::nullopt;
    std::string content;
    char chunk[65536];
    for (;;) {
        const ssize_t n = no_eintr([&] { return ::read(fd.get(), chunk, sizeof chunk); });
        if (n < 0 || content.size() + static_cast<size_t>(n) > cap)
            return std::nullopt;
        if (n == 0)
            return content;
        content.append(chunk, static_cast<size_t>(n));
    }
}

long long append_to_file(const std::string &path, std::string_view data)
{
    const Fd fd(open_regular(path.c_str(), O_WRONLY | O_APPEND, true));
    if (!fd.valid())
        return -1;
    const ssize_t n = no_eintr([&] { return ::write(fd.get(), data.data(), data.size()); });
    struct stat st;
    if (n != static_cast<ssize_t>(data.size()) || ::fstat(fd.get(), &st) != 0)
        return -1;
    return st.st_size;
}

long long file_size(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

bool path_exists(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool rename_replace(const std::string &from, const std::string &to)
{
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool remove_file(const std::string &path) { return ::unlink(path.c_str()) == 0; }

}  // namespace ixor::os
