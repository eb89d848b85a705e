// Children on POSIX: fork and exec, with the exec's failure reported back
// through a close-on-exec pipe, so that a program that cannot start is
// known at once.
#include "child.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#ifdef __linux__
#include <sys/prctl.h>
#endif

struct ChildProcess::Impl {
    pid_t pid = -1;
    std::optional<ChildExit> exit;
};

namespace {

ChildExit describe(int raw)
{
    if (WIFEXITED(raw)) {
        return {WEXITSTATUS(raw) == 0, "exit status " + std::to_string(WEXITSTATUS(raw))};
    }
    return {false, "killed by signal " + std::to_string(WTERMSIG(raw))};
}

// In the child, between fork and exec: only async-signal-safe calls. It dies
// with the agent, even a killed one, and takes no signal from the agent's
// terminal, since the agent decides when it stops.
[[noreturn]] void exec_child(const Program &program, char *const argv[], int report, pid_t agent)
{
#ifdef __linux__
    prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    if (getppid() != agent) {
        _exit(127);
    }
    setpgid(0, 0);
    execv(program.path.c_str(), argv);
    const int error = errno;
    (void)!write(report, &error, sizeof error);
    _exit(127);
}

int wait_for_exec(int report)
{
    int error = 0;
    ssize_t n;
    do {
        n = read(report, &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    return n == sizeof error ? error : 0;
}

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::start(const Program &program, std::string &error)
{
    std::vector<std::string> words{program.path};
    words.insert(words.end(), program.args.begin(), program.args.end());
    std::vector<char *> argv;
    for (std::string &word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    const pid_t agent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        exec_child(program, argv.data(), report[1], agent);
    }
    close(report[1]);
    const int exec_error = pid < 0 ? errno : wait_for_exec(report[0]);
    close(report[0]);
    if (pid > 0 && exec_error != 0) {
        waitpid(pid, nullptr, 0);
    }
    if (pid < 0 || exec_error != 0) {
        error = std::strerror(exec_error);
        return nullptr;
    }
    return std::unique_ptr<ChildProcess>(new ChildProcess(new Impl{pid, std::nullopt}));
}

ChildProcess::~ChildProcess()
{
    kill();
    delete impl_;
}

int ChildProcess::pid() const { return impl_->pid; }

std::optional<ChildExit> ChildProcess::poll()
{
    int raw = 0;
    if (!impl_->exit && waitpid(impl_->pid, &raw, WNOHANG) == impl_->pid) {
        impl_->exit = describe(raw);
    }
    return impl_->exit;
}

void ChildProcess::request_stop()
{
    if (!poll()) {
        ::kill(impl_->pid, SIGTERM);
    }
}

void ChildProcess::kill()
{
    if (poll()) {
        return;
    }
    ::kill(impl_->pid, SIGKILL);
    int raw = 0;
    while (waitpid(impl_->pid, &raw, 0) < 0 && errno == EINTR) {
    }
    impl_->exit = describe(raw);
}
