// Child processes on POSIX systems: the test program spawned again, or a
// program beside it.
#include "ixor_test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <utility>

extern char **environ;

namespace ixor_test {

struct Child::Impl {
    pid_t pid = -1;
    bool reaped = false;
    int status = -1;
};

namespace {

std::string self_path()
{
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        throw std::runtime_error("cannot find the test program's path");
    return std::string(buf, static_cast<size_t>(n));
}

int exit_status(int raw)
{
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Starts exe with the words as its arguments; with io set, stdout and
// stderr go to the two files.
pid_t spawn(const std::string &exe, std::vector<std::string> words,
            const std::pair<std::string, std::string> *io)
{
    words.insert(words.begin(), exe);
    std::vector<char *> argv;
    for (auto &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (io) {
        const int flags = O_WRONLY | O_CREAT | O_TRUNC;
        posix_spawn_file_actions_addopen(&actions, 1, io->first.c_str(), flags, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, io->second.c_str(), flags, 0644);
    }
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("cannot start " + exe);
    return pid;
}

int reap(pid_t pid)
{
    int raw = 0;
    while (waitpid(pid, &raw, 0) < 0) {
    }
    return exit_status(raw);
}

}  // namespace

int run_beside(const std::string &program, const std::vector<std::string> &args,
               const std::string &out_path, const std::string &err_path)
{
    const std::string self = self_path();
    const std::pair<std::string, std::string> io{out_path, err_path};
    return reap(spawn(self.substr(0, self.rfind('/') + 1) + program, args, &io));
}

Child Child::start(const std::string &mode, const std::vector<std::string> &args)
{
    std::vector<std::string> words{"--child", mode};
    words.insert(words.end(), args.begin(), args.end());
    Child child;
    child.impl_ = new Impl;
    child.impl_->pid = spawn(self_path(), words, nullptr);
    return child;
}

Child::~Child()
{
    if (impl_ && running())
        kill();
    delete impl_;
}

int Child::wait()
{
    if (!impl_->reaped) {
        impl_->status = reap(impl_->pid);
        impl_->reaped = true;
    }
    return impl_->status;
}

void Child::kill()
{
    if (impl_->reaped)
        return;
    ::kill(impl_->pid, SIGKILL);
    wait();
}

bool Child::running()
{
    if (impl_->reaped)
        return false;
    int raw = 0;
    if (waitpid(impl_->pid, &raw, WNOHANG) != impl_->pid)
        return true;
    impl_->status = exit_status(raw);
    impl_->reaped = true;
    return false;
}

}  // namespace ixor_test
