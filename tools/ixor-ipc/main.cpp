// ixor-ipc: operators' and scripts' access to libixor_ipc and the agent files.
#include <cstdio>

#include "agent_files.h"
#include "cli_args.h"
#include "commands.h"
#include "os.h"

namespace {

int print_text(const std::string &text)
{
    std::fputs(text.c_str(), stdout);
    return EXIT_OK;
}

// The arguments after the program's name.
std::vector<std::string> program_words(int argc, char **argv)
{
    std::vector<std::string> args = ixor::os::program_args(argc, argv);
    if (!args.empty())
        args.erase(args.begin());
    return args;
}

int run(const CliArgs &args)
{
    if (args.version) {
        return print_text("ixor-ipc " IXOR_VERSION "\n");
    }
    if (args.words.empty()) {
        return args.help ? print_text(overview_help()) : usage_error("no command given");
    }
    size_t used = 0;
    const Command *command = find_command(args.words, used);
    if (!command) {
        return usage_error("unknown command " + args.words[0]);
    }
    if (args.help) {
        return print_text(command_help(*command));
    }
    Invocation inv{{args.words.begin() + long(used), args.words.end()},
                   args.json,
                   args.force,
                   args.proxy_port};
    if (inv.args.size() < command->min_args || inv.args.size() > command->max_args) {
        return usage_error(std::string("usage: ixor-ipc ") + command->name + " " +
                           command->synopsis);
    }
    if ((args.force || !args.proxy_port.empty()) && command != &init_command) {
        return usage_error(std::string(args.force ? "--force" : "--proxy-port") +
                           " belongs to init only");
    }
    if (args.has_root &&
        (args.root.empty() || !ixor::os::set_env("IXOR_ROOT_DIR", args.root.c_str()))) {
        return usage_error("--root needs a directory");
    }
    open_tool_log();
    return command->run(inv);
}

}  // namespace

int main(int argc, char **argv)
{
    const CliArgs args = parse_cli_args(program_words(argc, argv));
    if (!args.error.empty()) {
        return usage_error(args.error);
    }
    return run(args);
}
