#include "commands.h"

namespace {

const Command *const all_commands[] = {
    &register_command,   &remove_command,      &lookup_command,         &status_command,
    &regenerate_command, &hvk_command,         &connect_addr_command,   &local_port_command,
    &init_command,       &product_add_command, &product_remove_command, &listen_command,
    &echo_command,       &send_command,
};

const char options_help[] =
    "Options, accepted before or after the command:\n"
    "  --root DIR  agent root (else IXOR_ROOT_DIR, else the built-in default)\n"
    "  --json      print data as one JSON document\n"
    "  --help      this help, or the help of the command it follows\n"
    "  --version   the version of ixor-ipc\n"
    "Exit status: 0 success, 1 the operation failed, 2 the command line is wrong.\n";

}  // namespace

const Command *find_command(const std::vector<std::string> &words, size_t &words_used)
{
    for (size_t n = 2; n >= 1; --n) {
        if (words.size() < n) {
            continue;
        }
        std::string name = words[0];
        if (n == 2) {
            name += " " + words[1];
        }
        for (const Command *command : all_commands) {
            if (name == command->name) {
                words_used = n;
                return command;
            }
        }
    }
    return nullptr;
}

std::string command_help(const Command &command)
{
    return std::string("usage: ixor-ipc [--root DIR] [--json] ") + command.name +
           (*command.synopsis ? " " : "") + command.synopsis + "\n\n" + command.summary + ".\n" +
           command.details + "\n" + options_help;
}

std::string overview_help()
{
    std::string text = "usage: ixor-ipc [--root DIR] [--json] COMMAND [ARGS]\n\nCommands:\n";
    for (const Command *command : all_commands) {
        std::string head = std::string(command->name) + " " + command->synopsis;
        head.resize(head.size() < 44 ? 44 : head.size() + 1, ' ');
        text += "  " + head + command->summary + "\n";
    }
    return text + "\n" + options_help;
}
