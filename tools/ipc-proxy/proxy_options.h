// The proxy's command line: [--root DIR] [--port N], --help, --version.
#ifndef IXOR_PROXY_OPTIONS_H
#define IXOR_PROXY_OPTIONS_H

#include <cstdint>
#include <string>
#include <vector>

struct ProxyOptions {
    bool help = false;
    bool version = false;
    bool has_root = false;
    std::string root;
    std::uint16_t port = 0;  // 0: any free port
    std::string error;       // set when the line cannot be understood
};

// The arguments after the program's name.
ProxyOptions parse_proxy_options(const std::vector<std::string> &args);
extern const char *const proxy_help;

#endif
