// Folders on POSIX, opened level by level from the top so that no link and
// no folder of another user's is passed through.
#include "fd_posix.h"
#include "os.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

namespace ixor::os {
namespace {

constexpr int dir_flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr mode_t writable_by_others = S_IWGRP | S_IWOTH;

// One level below the folder, made when missing and asked to; the mode is
// set again after mkdir, which the umask narrows.
bool is_link(int parent, const std::string &name)
{
    struct stat st;
    return ::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
}

int open_level(int parent, const std::string &name, bool create)
{
    int fd = ::openat(parent, name.c_str(), dir_flags);
    if (fd < 0 && (errno == ELOOP || errno == ENOTDIR) && is_link(parent, name)) {
        errno = ELOOP;
        return -1;
    }
    if (fd >= 0 || errno != ENOENT || !create)
        return fd;
    if (::mkdirat(parent, name.c_str(), dir_mode) != 0 && errno != EEXIST)
        return -1;
    fd = ::openat(parent, name.c_str(), dir_flags);
    if (fd >= 0)
        ::fchmod(fd, dir_mode);
    return fd;
}

}  // namespace

const char *const path_separators = "/";

int open_dir(const std::string &dir, bool create)
{
    const bool absolute = !dir.empty() && dir.front() == '/';
    Fd fd(::open(absolute ? "/" : ".", dir_flags));
    std::string walked = absolute ? "" : ".";
    for (size_t start = 0; fd.valid() && start < dir.size();) {
        const size_t end = std::min(dir.find('/', start), dir.size());
        const std::string name = dir.substr(start, end - start);
        start = end + 1;
        if (name.empty())
            continue;
        walked += "/" + name;
        fd.reset(open_level(fd.get(), name, create));
        if (!fd.valid() && errno == ELOOP)
            report("refusing " + walked + ": a link");
        if (fd.valid() && !usable(fd.get(), walked, writable_by_others))
            return -1;
    }
    return fd.release();
}

bool make_dirs(const std::string &dir) { return Fd(open_dir(dir, true)).valid(); }

bool is_directory(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> list_dir(const std::string &dir)
{
    std::vector<std::string> names;
    const std::unique_ptr<DIR, int (*)(DIR *)> listing(::opendir(dir.c_str()), ::closedir);
    if (!listing)
        return names;
    while (const dirent *entry = ::readdir(listing.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    return names;
}

}  // namespace ixor::os
