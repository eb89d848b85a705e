// What the POSIX seam uses as found: folders and files of root's or the
// caller's that nobody else may write. Modes an older build left open are
// narrowed by their owner; the rest is refused and reported.
#include "fd_posix.h"
#include "os.h"

#include <sys/stat.h>

#include <cstdio>

namespace ixor::os {
namespace {

std::string octal(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

bool refuse(const std::string &path, const std::string &why)
{
    report("refusing " + path + ": " + why);
    errno = EPERM;
    return false;
}

}  // namespace

bool usable(int fd, const std::string &path, mode_t open_to_others)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return false;
    const uid_t caller = ::geteuid();
    if (st.st_uid != 0 && st.st_uid != caller)
        return refuse(path, "owned by uid " + std::to_string(st.st_uid) +
                                ", neither root nor this account");
    const bool shared_tmp = S_ISDIR(st.st_mode) && st.st_uid == 0 && (st.st_mode & S_ISVTX);
    if ((st.st_mode & open_to_others) == 0 || shared_tmp)
        return true;
    if (st.st_uid != caller)
        return refuse(path, "mode " + octal(st.st_mode) + " lets other users write it");
    const mode_t narrowed = st.st_mode & 07777 & ~open_to_others;
    if (::fchmod(fd, narrowed) != 0)
        return refuse(path, "mode " + octal(st.st_mode) + " cannot be narrowed");
    report("narrowed " + path + " from " + octal(st.st_mode) + " to " + octal(narrowed));
    return true;
}

}  // namespace ixor::os
