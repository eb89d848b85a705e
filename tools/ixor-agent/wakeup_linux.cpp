// The agent's wake-ups on Linux: inotify on the records' folder, and a
// self-pipe that the signal handlers write to.
#include "wakeup.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

int signal_pipe[2] = {-1, -1};
volatile sig_atomic_t stop_flag = 0;

void on_signal(int sig)
{
    const int saved = errno;
    if (sig != SIGCHLD) {
        stop_flag = 1;
    }
    const char byte = 0;
    (void)!write(signal_pipe[1], &byte, 1);
    errno = saved;
}

void drain(int fd)
{
    char buf[4096];
    while (read(fd, buf, sizeof buf) > 0) {
    }
}

}  // namespace

struct Wakeup::Impl {
    int inotify = -1;
    int watch = -1;
    std::string folder;
};

Wakeup::Wakeup() : impl_(new Impl)
{
    (void)!pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK);
    impl_->inotify = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = on_signal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGCHLD}) {
        sigaction(sig, &action, nullptr);
    }
    signal(SIGPIPE, SIG_IGN);
}

Wakeup::~Wakeup()
{
    close(impl_->inotify);
    delete impl_;
}

// A folder that was removed and made again needs a new watch; inotify
// drops the old one by itself.
void Wakeup::watch(const std::string &folder)
{
    const uint32_t events = IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_CLOSE_WRITE |
                            IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    if (folder != impl_->folder || impl_->watch < 0) {
        if (impl_->watch >= 0) {
            inotify_rm_watch(impl_->inotify, impl_->watch);
        }
        impl_->folder = folder;
        impl_->watch = inotify_add_watch(impl_->inotify, folder.c_str(), events);
    }
}

void Wakeup::wait(int ms)
{
    pollfd fds[2] = {{signal_pipe[0], POLLIN, 0}, {impl_->inotify, POLLIN, 0}};
    if (stop_flag || poll(fds, 2, ms) <= 0) {
        return;
    }
    drain(signal_pipe[0]);
    if (fds[1].revents & POLLIN) {
        char buf[4096] __attribute__((aligned(__alignof__(inotify_event))));
        ssize_t n;
        while ((n = read(impl_->inotify, buf, sizeof buf)) > 0) {
            for (char *p = buf; p < buf + n;
                 p += sizeof(inotify_event) + reinterpret_cast<inotify_event *>(p)->len) {
                if (reinterpret_cast<inotify_event *>(p)->mask & IN_IGNORED) {
                    impl_->watch = -1;
                }
            }
        }
    }
}

bool Wakeup::stop_requested() const { return stop_flag != 0; }

void Wakeup::done() {}
