// Child processes, files and rights on POSIX systems.
#include "ixor_test_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

extern char **environ;

namespace ixor_test {

struct Child::Impl {
    pid_t pid = -1;
    bool reaped = false;
    int status = -1;  // -1 also when it did not exit normally

    // Collects the exit status once the process has ended; with block set,
    // waits for that.
    bool reap(bool block)
    {
        int raw = 0;
        do {
            if (!reaped && waitpid(pid, &raw, block ? 0 : WNOHANG) == pid) {
                reaped = true;
                status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            }
        } while (block && !reaped);
        return reaped;
    }
};

Child::Impl *Child::spawn(const std::string &exe, const std::vector<std::string> &args,
                          const std::string &out_path, const std::string &err_path)
{
    std::vector<std::string> words{exe};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (auto &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!out_path.empty()) {
        const int flags = O_WRONLY | O_CREAT | O_TRUNC;
        posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), flags, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), flags, 0644);
    }
    // A listener of the test kept open in a child would take connections
    // that the test means to be refused.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("cannot start " + exe);
    return new Impl{pid};
}

Child::~Child()
{
    if (impl_)
        kill();
    delete impl_;
}

int Child::wait()
{
    impl_->reap(true);
    return impl_->status;
}

void Child::kill()
{
    if (running()) {
        ::kill(impl_->pid, SIGKILL);
        wait();
    }
}

void Child::terminate()
{
    if (running())
        ::kill(impl_->pid, SIGTERM);
}

bool Child::running() { return !impl_->reap(false); }

bool kill_process(int pid) { return ::kill(pid, SIGKILL) == 0; }

int set_umask(int mask) { return static_cast<int>(::umask(static_cast<mode_t>(mask))); }

int mode_of(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

bool make_symlink(const std::string &target, const std::string &link)
{
    return symlink(target.c_str(), link.c_str()) == 0;
}

bool make_fifo(const std::string &path) { return mkfifo(path.c_str(), 0600) == 0; }

bool process_starts_are_costly() { return false; }

ixor::os::SocketHandle connect_nowait(uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0)
        ::connect(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof addr);
    return fd < 0 ? ixor::os::no_socket : fd;
}

}  // namespace ixor_test
