// What other accounts and programs do to the agent's files, on POSIX:
// another account is a forked child that drops to uid and gid 65534 and
// reports readiness through a pipe; it may take a lock as `flock` does.
#include "ixor_test_support.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ixor_test {
namespace {

constexpr uid_t nobody = 65534;

[[noreturn]] void run_as_nobody(const OtherUser::Body &body, int ready_fd)
{
    if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
        ::_exit(other_user_failed);
    const auto ready = [ready_fd] {
        const char byte = 1;
        if (::write(ready_fd, &byte, 1) != 1)
            ::_exit(other_user_failed);
    };
    try {
        ::_exit(body(ready));
    } catch (...) {
        ::_exit(other_user_failed);
    }
}

}  // namespace

bool OtherUser::available() { return ::geteuid() == 0; }

HeldOpen::HeldOpen(const std::string &, int) {}
HeldOpen::~HeldOpen() = default;

bool open_to_everybody(const std::string &path) { return ::chmod(path.c_str(), 0777) == 0; }

bool others_may_write(const std::string &path) { return (mode_of(path) & 022) != 0; }

bool give_to_other_account(const std::string &path)
{
    return ::lchown(path.c_str(), nobody, nobody) == 0;
}

bool make_folder_link(const std::string &target, const std::string &link)
{
    return make_symlink(target, link);
}

int read_lock(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

OtherUser::OtherUser(const Body &body)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::close(fds[0]);
        run_as_nobody(body, fds[1]);
    }
    ::close(fds[1]);
    ready_fd_ = fds[0];
}

OtherUser::~OtherUser()
{
    if (pid_ > 0) {
        ::kill(static_cast<pid_t>(pid_), SIGKILL);
        wait();
    }
    if (ready_fd_ >= 0)
        ::close(ready_fd_);
}

bool OtherUser::wait_ready()
{
    pollfd wait{ready_fd_, POLLIN, 0};
    char byte = 0;
    return ::poll(&wait, 1, 10000) == 1 && ::read(ready_fd_, &byte, 1) == 1;
}

int OtherUser::wait()
{
    int raw = 0;
    if (pid_ <= 0 || ::waitpid(static_cast<pid_t>(pid_), &raw, 0) != pid_)
        return -1;
    pid_ = -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

}  // namespace ixor_test
