// ipc_proxy: relays local clients to the upstream endpoint that the library
// chose, for as long as the agent runs it.
#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

#include "agent_files.h"
#include "agent_log.h"
#include "endpoint.h"
#include "failover.h"
#include "ixor_ipc.h"
#include "os.h"
#include "proxy_options.h"
#include "proxy_server.h"
#include "runtime_files.h"
#include "stop_requests.h"

namespace {

using asio::ip::tcp;

int fail(const std::string &message)
{
    std::fprintf(stderr, "ipc_proxy: %s\n", message.c_str());
    agent_log(LogLevel::error, "ipc_proxy", message);
    return 1;
}

std::optional<tcp::endpoint> resolve(asio::io_context &io, const Endpoint &endpoint,
                                     asio::error_code &ec)
{
    tcp::resolver resolver(io);
    const auto results = resolver.resolve(endpoint.addr, std::to_string(endpoint.port), ec);
    if (ec || results.empty()) {
        return std::nullopt;
    }
    return results.begin()->endpoint();
}

// The I/O threads: enough to use the machine, never one per connection.
void run_io(asio::io_context &io)
{
    const unsigned count = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    std::vector<std::thread> threads;
    for (unsigned i = 1; i < count; ++i) {
        threads.emplace_back([&io] { io.run(); });
    }
    io.run();
    for (std::thread &thread : threads) {
        thread.join();
    }
}

int serve(const std::string &home, const Endpoint &endpoint, std::uint16_t port)
{
    asio::io_context io;
    asio::error_code ec;
    const std::optional<tcp::endpoint> upstream = resolve(io, endpoint, ec);
    if (!upstream) {
        return fail("cannot resolve the upstream " + endpoint.addr + ": " + ec.message());
    }
    Failover failover(io, *upstream, [] { return regenerate_ipc_proxy_conf_restart(); });
    ProxyServer server(io, port, *upstream, failover, ec);
    if (ec) {
        return fail("cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + ec.message());
    }
    // The port last: whoever finds it finds the upstream too.
    if (!publish_connect(home, upstream->address().to_string(), upstream->port()) ||
        !publish_local_port(home, server.port())) {
        clear_runtime_files(home);
        return fail("cannot write the runtime files below " + home);
    }
    StopRequests stops(io, [&io] { io.stop(); });
    agent_log(LogLevel::info, "ipc_proxy",
              "listening on 127.0.0.1:" + std::to_string(server.port()) + ", relaying to " +
                  upstream->address().to_string() + ":" + std::to_string(upstream->port()));
    server.start();
    run_io(io);
    server.close();
    clear_runtime_files(home);
    agent_log(LogLevel::info, "ipc_proxy", "stopped");
    return 0;
}

int run(const ProxyOptions &options)
{
    if (options.has_root && !ixor::os::set_env("IXOR_ROOT_DIR", options.root.c_str())) {
        return fail("cannot use the root " + options.root);
    }
    open_tool_log();
    const std::string home = app_home();
    if (home.empty()) {
        return fail(home_problem());
    }
    std::string problem;
    const std::optional<Endpoint> endpoint = read_endpoint(home, problem);
    if (!endpoint) {
        return fail(problem);
    }
    ixor::os::raise_open_file_limit();
    return serve(home, *endpoint, options.port);
}

}  // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args = ixor::os::program_args(argc, argv);
    args.erase(args.begin());
    const ProxyOptions options = parse_proxy_options(args);
    if (!options.error.empty()) {
        std::fprintf(stderr, "ipc_proxy: %s\n%s", options.error.c_str(), proxy_help);
        return 2;
    }
    if (options.help || options.version) {
        std::fputs(options.help ? proxy_help : "ipc_proxy " IXOR_VERSION "\n", stdout);
        return 0;
    }
    return run(options);
}
