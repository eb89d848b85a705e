// ixor-agent: runs the processes that the process records of one agent
// root describe, in the foreground, until SIGTERM or SIGINT (Ctrl-C or a
// console close on Windows).
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "agent_files.h"
#include "agent_state.h"
#include "os.h"
#include "report.h"
#include "supervisor.h"
#include "wakeup.h"

namespace {

const int usage_status = 2;
// Without inotify's wake-up for it (child exits on Windows, a folder that
// does not exist yet) a change is seen within this time.
const int poll_ms = 100;

const char help_text[] =
    "Usage: ixor-agent [--root DIR]\n"
    "\n"
    "Runs the agent's processes for one agent root, in the foreground: each\n"
    "process record (<home>/config/process/<name>.eni, written by the library)\n"
    "starts its program as a direct child; a record saved again restarts it, a\n"
    "removed record stops it (SIGTERM, then SIGKILL after 5 s). A program that\n"
    "exits unexpectedly is started again after 0.2 s, doubling up to 30 s, and\n"
    "no more after 5 starts within 60 s until its record changes. Records,\n"
    "and the folders above them up to the home, must belong to the agent's\n"
    "account and be writable by no one else; others are not run.\n"
    "\n"
    "Options:\n"
    "  --root DIR   the agent root (else IXOR_ROOT_DIR, else the built-in default)\n"
    "  --help       show this text\n"
    "  --version    show the version\n"
    "\n"
    "Children get IXOR_ROOT_DIR set to the absolute root. One agent runs per\n"
    "root: a second one exits with status 1. SIGTERM or SIGINT stops the\n"
    "children, then the agent, with status 0. The log goes to <root>/logs,\n"
    "the pids of the running processes to <root>/run/ixor-agent.ini.\n";

struct Options {
    std::string root;
    bool help = false;
    bool version = false;
    std::string error;
};

Options parse(const std::vector<std::string> &args)
{
    Options options;
    for (size_t i = 1; i < args.size() && options.error.empty(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--root" && i + 1 < args.size()) {
            options.root = args[++i];
        } else if (arg.rfind("--root=", 0) == 0) {
            options.root = arg.substr(7);
        } else {
            options.error =
                arg == "--root" ? "--root needs a directory" : "unknown argument " + arg;
        }
    }
    return options;
}

int fail(int status, const std::string &message)
{
    std::fprintf(stderr, "ixor-agent: %s\n", message.c_str());
    return status;
}

// The root as children must see it: absolute, whatever the agent's folder.
bool settle_root(const Options &options, std::string &root)
{
    if (!options.root.empty()) {
        ixor::os::set_env("IXOR_ROOT_DIR", options.root.c_str());
    }
    std::error_code ec;
    root = std::filesystem::absolute(std::filesystem::u8path(agent_root()), ec).u8string();
    return !ec && ixor::os::set_env("IXOR_ROOT_DIR", root.c_str());
}

void supervise(const std::string &root)
{
    const std::string agent_dir = ixor::os::parent_dir(
        ixor::os::process_path(ixor::os::current_pid()).value_or("./ixor-agent"));
    Wakeup wakeup;
    Supervisor supervisor(root, agent_dir);
    report(LogLevel::info,
           "running for " + root + " (pid " + std::to_string(ixor::os::current_pid()) + ")");
    while (!wakeup.stop_requested()) {
        supervisor.tick();
        wakeup.watch(supervisor.records_folder());
        wakeup.wait(supervisor.wait_ms(poll_ms));
    }
    supervisor.stop_all();
    remove_agent_state(root);
    report(LogLevel::info, "stopped for " + root);
    wakeup.done();
}

}  // namespace

int main(int argc, char **argv)
{
    const Options options = parse(ixor::os::program_args(argc, argv));
    if (!options.error.empty()) {
        return fail(usage_status, options.error + " (see ixor-agent --help)");
    }
    if (options.help || options.version) {
        std::fputs(options.help ? help_text : "ixor-agent " IXOR_VERSION "\n", stdout);
        return 0;
    }
    std::string root;
    if (!settle_root(options, root) || !ixor::os::is_directory(root)) {
        return fail(1, "no agent root at " + root + " (create one with 'ixor-ipc init')");
    }
    // Held for the agent's life and let go by the system when it ends, so
    // no stale file can keep the next agent out.
    const std::string lock_path = agent_run_dir(root) + "/ixor-agent.lock";
    const ixor::os::LockHandle lock = ixor::os::open_lock_file(lock_path);
    if (lock == ixor::os::no_lock_handle || !ixor::os::try_lock(lock)) {
        return fail(1, "another ixor-agent already runs for " + root + " (it holds " + lock_path +
                           ")");
    }
    open_tool_log();
    supervise(root);
    ixor::os::close_lock_file(lock);
    return 0;
}
