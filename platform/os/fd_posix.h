// What the POSIX files of the seam share: descriptors that close
// themselves, calls retried after a signal, and the one way a regular file
// is opened.
#ifndef IXOR_OS_FD_POSIX_H
#define IXOR_OS_FD_POSIX_H

#include <cerrno>
#include <unistd.h>

namespace ixor::os {

inline constexpr int file_mode = 0644;
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

private:
    int fd_;
};

// Opens a regular file with the access flags (O_RDONLY, O_WRONLY | O_APPEND,
// ...), never through a final symbolic link and without blocking on a FIFO;
// anything but a regular file is refused (-1). With create set, a missing
// file is made with the platform's file mode whatever the umask.
int open_regular(const char *path, int access, bool create);

}  // namespace ixor::os

#endif
