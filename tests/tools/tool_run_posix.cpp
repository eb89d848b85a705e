#include "tool_run.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <stdexcept>

#include "ixor_test_support.h"

extern char **environ;

namespace ixor_test {
namespace {

std::string tool_path()
{
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        throw std::runtime_error("cannot find the test program's path");
    std::string self(buf, static_cast<size_t>(n));
    return self.substr(0, self.rfind('/') + 1) + IXOR_IPC_TOOL_NAME;
}

}  // namespace

ToolRun run_tool(const std::string &io_dir, const std::vector<std::string> &args)
{
    const std::string exe = tool_path(), out = io_dir + "/out", err = io_dir + "/err";
    std::vector<std::string> words{exe};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (auto &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t io;
    posix_spawn_file_actions_init(&io);
    posix_spawn_file_actions_addopen(&io, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&io, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    int spawned = posix_spawn(&pid, exe.c_str(), &io, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&io);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + exe);
    int raw = 0;
    while (waitpid(pid, &raw, 0) < 0) {
    }
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file(out), read_file(err)};
}

}  // namespace ixor_test
