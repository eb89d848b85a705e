// What a command hands back: text for people or JSON for scripts on
// stdout, or one line on stderr and a non-zero exit status.
#ifndef IXOR_IPC_CLI_OUTPUT_H
#define IXOR_IPC_CLI_OUTPUT_H

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// Members print in the order they were added.
using Json = nlohmann::ordered_json;

enum ExitStatus { EXIT_OK = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

// One run of one command.
struct Invocation {
    std::vector<std::string> args;  // the command's own arguments
    bool json = false;
    bool force = false;
    std::string proxy_port;  // init's --proxy-port; "" for any free port
};

// Prints the text (a line break is added) or, with --json, the JSON document.
int print_result(const Invocation &inv, const std::string &text, const Json &json);
// Prints the text alone; with --json the document {"result":0}.
int print_done(const Invocation &inv, const std::string &text);
int fail(const std::string &line);
int usage_error(const std::string &line);

#endif
