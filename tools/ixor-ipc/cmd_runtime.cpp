// regenerate, hvk, connect-addr and local-port: the proxy as a whole.
#include "agent_files.h"
#include "commands.h"
#include "ixor_ipc.h"
#include "ixor_ipc_files.h"

namespace {

// The file's absence, or else the given cause, after the home itself.
std::string file_problem(const std::string &path, const std::string &absent,
                         const std::string &otherwise)
{
    std::string problem = home_problem();
    if (!problem.empty()) {
        return problem;
    }
    return path_exists(path) ? otherwise : absent + " (no " + path + ")";
}

int run_regenerate(const Invocation &inv)
{
    if (regenerate_ipc_proxy_conf_restart() != 0) {
        return fail("regenerate failed: " +
                    file_problem(home_file(app_home(), IXOR_FILE_REGISTRATIONS),
                                 "nothing is registered yet",
                                 "the registration file could not be locked or loaded "
                                 "(see the log)"));
    }
    return print_done(inv, "applied the stored registrations again");
}

int run_hvk(const Invocation &inv)
{
    bool present = is_running_hvk() == 1;
    return print_result(inv, present ? "yes" : "no", {{"hvk", present}});
}

int run_connect_addr(const Invocation &inv)
{
    char addr[1024] = "";
    int port = 0;
    if (ixor_get_ipcproxy_connectaddr(addr, sizeof addr, &port) != 0) {
        return fail("connect-addr failed: " +
                    file_problem(home_file(app_home(), IXOR_FILE_CONNECT),
                                 "the proxy has not reported a connection",
                                 "connect.ini could not be locked or loaded (see the log)"));
    }
    return print_result(inv, std::string("addr: ") + addr + "\nport: " + std::to_string(port),
                        {{"addr", addr}, {"port", port}});
}

int run_local_port(const Invocation &inv)
{
    int port = ixor_get_ipcproxy_localport();
    if (port == 0) {
        return fail("local-port failed: " +
                    file_problem(home_file(app_home(), IXOR_FILE_SERVER_PORT),
                                 "the proxy has not reported its local port",
                                 "server_port.ini holds no port, or could not be read "
                                 "(see the log)"));
    }
    return print_result(inv, std::to_string(port), {{"local_port", port}});
}

}  // namespace

const Command regenerate_command = {
    "regenerate",
    "",
    "Apply the stored registrations to the proxy again",
    "Chooses the winner among all registrations, probes its candidates and\n"
    "writes the proxy configuration, as after a change of the top priority.\n",
    0,
    0,
    run_regenerate};

const Command hvk_command = {
    "hvk",
    "",
    "Tell whether the sibling product HVK is present",
    "Prints yes or no. While HVK is registered or installed with the agent the\n"
    "library leaves the proxy alone. Exit status 0 either way.\n",
    0,
    0,
    run_hvk};

const Command connect_addr_command = {
    "connect-addr",
    "",
    "Show the address and port the proxy connects to",
    "Read from connect.ini, which the proxy writes; fails while it is absent.\n",
    0,
    0,
    run_connect_addr};

const Command local_port_command = {
    "local-port",
    "",
    "Show the proxy's local IPC port",
    "Read from server_port.ini, which the proxy writes; fails while it is absent\n"
    "or holds no port (0).\n",
    0,
    0,
    run_local_port};
