#include "cli_output.h"

#include <cstdio>

int print_result(const Invocation &inv, const std::string &text, const Json &json)
{
    // Stored texts may hold bytes that are not UTF-8; they print as U+FFFD.
    const std::string out =
        inv.json ? json.dump(-1, ' ', false, Json::error_handler_t::replace) : text;
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
    return std::fflush(stdout) == 0 ? EXIT_OK : EXIT_FAILED;
}

int print_done(const Invocation &inv, const std::string &text)
{
    return print_result(inv, text, {{"result", 0}});
}

int fail(const std::string &line)
{
    std::fprintf(stderr, "ixor-ipc: %s\n", line.c_str());
    return EXIT_FAILED;
}

int usage_error(const std::string &line)
{
    std::fprintf(stderr, "ixor-ipc: %s (see ixor-ipc --help)\n", line.c_str());
    return EXIT_USAGE;
}
