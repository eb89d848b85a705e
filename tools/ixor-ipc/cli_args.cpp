#include "cli_args.h"

namespace {

// "--name VALUE" or "--name=VALUE".
bool take_value(const std::vector<std::string> &argv, size_t &i, const std::string &name,
                std::string &value)
{
    const std::string &word = argv[i];
    if (word.rfind(name + "=", 0) == 0) {
        value = word.substr(name.size() + 1);
    } else if (i + 1 < argv.size()) {
        value = argv[++i];
    } else {
        return false;
    }
    return true;
}

bool named(const std::string &word, const std::string &name)
{
    return word == name || word.rfind(name + "=", 0) == 0;
}

bool take_option(CliArgs &args, const std::vector<std::string> &argv, size_t &i)
{
    const std::string &word = argv[i];
    if (named(word, "--root")) {
        args.has_root = take_value(argv, i, "--root", args.root);
        args.error = args.has_root ? "" : "--root needs a directory";
    } else if (named(word, "--proxy-port")) {
        if (!take_value(argv, i, "--proxy-port", args.proxy_port)) {
            args.error = "--proxy-port needs a port";
        }
    } else if (word == "--json") {
        args.json = true;
    } else if (word == "--help" || word == "-h") {
        args.help = true;
    } else if (word == "--version") {
        args.version = true;
    } else if (word == "--force") {
        args.force = true;
    } else {
        args.error = "unknown option " + word;
    }
    return args.error.empty();
}

}  // namespace

CliArgs parse_cli_args(const std::vector<std::string> &argv)
{
    CliArgs args;
    bool options_done = false;
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string &word = argv[i];
        if (options_done || (word.rfind("--", 0) != 0 && word != "-h")) {
            args.words.push_back(word);
        } else if (word == "--") {
            options_done = true;
        } else if (!take_option(args, argv, i)) {
            return args;
        }
    }
    return args;
}
