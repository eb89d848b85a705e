// The command table: names, help texts, argument counts and handlers.
#ifndef IXOR_IPC_COMMANDS_H
#define IXOR_IPC_COMMANDS_H

#include <cstddef>
#include <string>
#include <vector>

#include "cli_output.h"

struct Command {
    const char *name;      // "register", or two words such as "product add"
    const char *synopsis;  // the arguments after the name
    const char *summary;   // one line for the overview
    const char *details;   // the rest of its --help text
    size_t min_args;
    size_t max_args;
    int (*run)(const Invocation &inv);
};

extern const Command register_command, remove_command, lookup_command;
extern const Command regenerate_command, hvk_command, connect_addr_command, local_port_command;
extern const Command status_command;
extern const Command init_command, product_add_command, product_remove_command;
extern const Command listen_command, echo_command, send_command;

// The command named by the first one or two words; null when none is.
// words_used tells how many words the name took.
const Command *find_command(const std::vector<std::string> &words, size_t &words_used);
std::string command_help(const Command &command);
std::string overview_help();

#endif
