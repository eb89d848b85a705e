#include "cli_args.h"

namespace {

bool take_root(CliArgs &args, const std::vector<std::string> &argv, size_t &i)
{
    const std::string &word = argv[i];
    if (word.rfind("--root=", 0) == 0) {
        args.root = word.substr(7);
    } else if (i + 1 < argv.size()) {
        args.root = argv[++i];
    } else {
        args.error = "--root needs a directory";
        return false;
    }
    args.has_root = true;
    return true;
}

bool take_option(CliArgs &args, const std::vector<std::string> &argv, size_t &i)
{
    const std::string &word = argv[i];
    if (word == "--root" || word.rfind("--root=", 0) == 0) {
        return take_root(args, argv, i);
    }
    if (word == "--json") {
        args.json = true;
    } else if (word == "--help" || word == "-h") {
        args.help = true;
    } else if (word == "--version") {
        args.version = true;
    } else if (word == "--force") {
        args.force = true;
    } else {
        args.error = "unknown option " + word;
        return false;
    }
    return true;
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
