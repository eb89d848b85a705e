// What the POSIX files of the seam share: descriptors that close
// themselves, calls retried after a signal, and the one way a folder and a
// regular file are opened.
#ifndef IXOR_OS_FD_POSIX_H
#define IXOR_OS_FD_POSIX_H

#include <cerrno>
#include <string>
#include <sys/types.h>
#include <unistd.h>

namespace ixor::os {

inline constexpr int file_mode = 0644;
inline constexpr int lock_mode = 0600;
inline constexpr int dir_mode = 0755;

// Retries a call that a signal interrupted.
template <class Call> auto no_eintr(Call call)
{
    for (;;) {
        auto result = call();
        if (result != -1 || errno != EINTR)
            return result;
    }
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes now and reports the result, which a write may depend on.
    bool close() { return ::close(release()) == 0; }
    void reset(int fd)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// Whether what the descriptor holds may be used as found: it belongs to
// root or to the caller, and has none of the bits in open_to_others. The
// caller's own is narrowed instead; a folder of root's with the sticky bit
// passes. Refusals are reported and leave errno EPERM.
bool usable(int fd, const std::string &path, mode_t open_to_others);

// Opens a folder level by level from "/" (or the working folder), never
// through a link, each level usable; with create set, missing levels are
// made with the folder mode whatever the umask. "" is the working folder.
int open_dir(const std::string &dir, bool create);

// Opens a regular file with the access flags (O_RDONLY, O_WRONLY | O_APPEND,
// ...) in a folder that open_dir gives, never through a symbolic link and
// without blocking on a FIFO; anything but a usable regular file is refused
// (-1). With create set, a missing file is made with the mode whatever the
// umask, and a file of the caller's that is more open is narrowed to it.
int open_regular(const char *path, int access, bool create, int mode = file_mode);

}  // namespace ixor::os

#endif
