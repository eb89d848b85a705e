#include "proxy_options.h"

#include <cstdlib>

namespace {

bool parse_port(const std::string &text, std::uint16_t &port)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        text.size() > 5) {
        return false;
    }
    const unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
    if (value > 65535) {
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

// "--name VALUE" or "--name=VALUE"; i moves past what was used.
bool option_value(const std::vector<std::string> &args, size_t &i, const std::string &name,
                  std::string &value, bool &missing)
{
    const std::string &arg = args[i];
    if (arg == name) {
        missing = i + 1 >= args.size();
        value = missing ? "" : args[++i];
        return true;
    }
    if (arg.compare(0, name.size() + 1, name + "=") == 0) {
        value = arg.substr(name.size() + 1);
        return true;
    }
    return false;
}

}  // namespace

const char *const proxy_help =
    "usage: ipc_proxy [--root DIR] [--port N]\n"
    "\n"
    "Relays connections to 127.0.0.1:PORT to the upstream endpoint named in the\n"
    "proxy configuration config/ixor_ipcproxy/ixor_ipcproxy.ini below the\n"
    "application home, and publishes the local port in server_port.ini and the\n"
    "upstream in connect.ini. When the upstream refuses connections it applies\n"
    "the stored registrations again, so that the next answering candidate takes\n"
    "over. Stops on SIGTERM or SIGINT (on Windows also Ctrl-C, Ctrl-Break, a\n"
    "console close and the event named by IXOR_STOP_EVENT) and then removes\n"
    "both runtime files.\n"
    "\n"
    "  --root DIR   agent root (else IXOR_ROOT_DIR, else the built-in default)\n"
    "  --port N     local port to listen on; 0 or absent: any free port\n"
    "  --help       show this text\n"
    "  --version    show the version\n";

ProxyOptions parse_proxy_options(const std::vector<std::string> &args)
{
    ProxyOptions options;
    for (size_t i = 0; i < args.size() && options.error.empty(); ++i) {
        std::string value;
        bool missing = false;
        if (args[i] == "--help") {
            options.help = true;
        } else if (args[i] == "--version") {
            options.version = true;
        } else if (option_value(args, i, "--root", value, missing)) {
            options.has_root = true;
            options.root = value;
            if (missing || value.empty()) {
                options.error = "--root needs a directory";
            }
        } else if (option_value(args, i, "--port", value, missing)) {
            if (!parse_port(value, options.port)) {
                options.error = "--port needs a number from 0 to 65535";
            }
        } else {
            options.error = "unknown argument " + args[i];
        }
    }
    return options;
}
