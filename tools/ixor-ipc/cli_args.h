// The command line: global options anywhere, the rest are words.
#ifndef IXOR_IPC_CLI_ARGS_H
#define IXOR_IPC_CLI_ARGS_H

#include <string>
#include <vector>

struct CliArgs {
    bool has_root = false;
    std::string root;
    bool json = false;
    bool help = false;
    bool version = false;
    bool force = false;
    std::string proxy_port;
    std::vector<std::string> words;  // command words and their arguments
    std::string error;               // set when the line cannot be understood
};

// Only the long options below are options; "-1" and other single-dash words
// are arguments, so that negative numbers reach the library as typed.
CliArgs parse_cli_args(const std::vector<std::string> &argv);

#endif
