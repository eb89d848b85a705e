// Files on POSIX, each opened by name inside a folder that open_dir gives.
#include "fd_posix.h"
#include "os.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace ixor::os {
namespace {

constexpr int no_follow = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
// Creates that find a file and opens that find none, in turn, are a race
// with another process; past this many rounds it is not an honest one.
constexpr int open_rounds = 100;

// Permission bits that nobody but the owner may have on a file of the mode.
mode_t open_to_others(int mode) { return mode == lock_mode ? 077 : S_IWGRP | S_IWOTH; }

// The last part of a path, after its folder.
std::string base_name(const std::string &path) { return path.substr(path.rfind('/') + 1); }

// The folder part of a path, opened safely; its last part is the name.
int open_parent(const std::string &path) { return open_dir(parent_dir(path), false); }

// Creates the file with the mode, failing when anything at all lies there.
int create_in(int dir, const std::string &name, int access, int mode)
{
    const int fd = no_eintr(
        [&] { return ::openat(dir, name.c_str(), access | O_CREAT | O_EXCL | no_follow, mode); });
    if (fd < 0 || ::fchmod(fd, static_cast<mode_t>(mode)) == 0)
        return fd;
    ::close(fd);
    return -1;
}

// An opened file is kept only when it is a regular file that may be used.
int checked(int fd, const std::string &path, int mode)
{
    struct stat st;
    if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode))
        errno = EINVAL;
    else if (usable(fd, path, open_to_others(mode)))
        return fd;
    const int error = errno;
    ::close(fd);
    errno = error;
    return -1;
}

int open_in(int dir, const std::string &path, int access, bool create, int mode)
{
    const std::string name = base_name(path);
    for (int round = 0; round < open_rounds; ++round) {
        if (create) {
            const int fd = create_in(dir, name, access, mode);
            if (fd >= 0 || errno != EEXIST)
                return fd;
        }
        const int fd = no_eintr([&] { return ::openat(dir, name.c_str(), access | no_follow); });
        if (fd >= 0)
            return checked(fd, path, mode);
        if (errno == ELOOP)
            report("refusing " + path + ": a link");
        if (!create || errno != ENOENT)
            return -1;
    }
    errno = EAGAIN;
    return -1;
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

}  // namespace

// A file renamed away between the two opens (a log rotation) is created
// afresh.
int open_regular(const char *path, int access, bool create, int mode)
{
    const Fd dir(open_parent(path));
    return dir.valid() ? open_in(dir.get(), path, access, create, mode) : -1;
}

bool replaceable(const std::string &path)
{
    const Fd dir(open_parent(path));
    struct stat st;
    if (!dir.valid())
        return errno == ENOENT;
    if (::fstatat(dir.get(), base_name(path).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    return S_ISREG(st.st_mode);
}

FileHandle create_new_file(const std::string &path, bool &name_taken)
{
    const Fd dir(open_parent(path));
    const int fd = dir.valid() ? create_in(dir.get(), base_name(path), O_WRONLY, file_mode) : -1;
    name_taken = fd < 0 && errno == EEXIST;
    return fd < 0 ? no_file : fd;
}

bool write_and_close(FileHandle file, std::string_view data)
{
    Fd fd(static_cast<int>(file));
    return write_all(fd.get(), data) && ::fsync(fd.get()) == 0 && fd.close();
}

bool replace_file(const std::string &from, const std::string &to)
{
    return rename_replace(from, to);
}

bool sync_dir(const std::string &dir)
{
    const Fd fd(open_dir(dir, false));
    return fd.valid() && ::fsync(fd.get()) == 0;
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

// Both names lie in one folder wherever the platform renames.
bool rename_replace(const std::string &from, const std::string &to)
{
    const Fd dir(open_parent(to));
    return dir.valid() && parent_dir(from) == parent_dir(to) &&
           ::renameat(dir.get(), base_name(from).c_str(), dir.get(), base_name(to).c_str()) == 0;
}

bool remove_file(const std::string &path)
{
    const Fd dir(open_parent(path));
    return dir.valid() && ::unlinkat(dir.get(), base_name(path).c_str(), 0) == 0;
}

}  // namespace ixor::os
