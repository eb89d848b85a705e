// Child processes on POSIX systems: the test program spawned again.
#include "ixor_test_support.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

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

}  // namespace

Child Child::start(const std::string &mode, const std::vector<std::string> &args)
{
    const std::string exe = self_path();
    std::vector<std::string> words{exe, "--child", mode};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (auto &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    Child child;
    child.impl_ = new Impl;
    if (posix_spawn(&child.impl_->pid, exe.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start child mode " + mode);
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
        int raw = 0;
        while (waitpid(impl_->pid, &raw, 0) < 0) {
        }
        impl_->status = exit_status(raw);
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
