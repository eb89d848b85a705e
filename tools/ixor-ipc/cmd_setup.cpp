// init, product add and product remove: the agent's side of the files, so
// that the whole road can be walked from the shell.
#include <cstdlib>

#include "agent_files.h"
#include "commands.h"
#include "ixor_ipc_files.h"
#include "ixor_ipc_limits.h"
#include "ixoraux.h"

namespace {

// Leaves no registration, proxy configuration or proxy process record.
bool reset_library_state(const std::string &home)
{
    if (is_ixor_process_config_exists(IXOR_PROXY_PROCESS) == 1 &&
        uninstall_ixor_process(IXOR_PROXY_PROCESS) != 0) {
        return false;
    }
    return remove_locked(home_file(home, IXOR_FILE_REGISTRATIONS)) &&
           remove_locked(home_file(home, IXOR_FILE_PROXY_CONF));
}

// The proxy's start-up description: ipc_proxy beside ixor-agent, on the
// given local port or, without one, any free port.
bool write_agent_files(const std::string &home, const std::string &proxy_port)
{
    std::vector<IniEntry> startup{{"process", "name", IXOR_PROXY_PROCESS},
                                  {"process", "command", IXOR_PROXY_PROCESS},
                                  {"process", "restart", "always"}};
    if (!proxy_port.empty()) {
        startup.push_back({"process", "arg1", "--port"});
        startup.push_back({"process", "arg2", proxy_port});
    }
    return write_ini(home_file(home, IXOR_FILE_PRODUCT_REGISTER), {{"count", "num", "0"}}, 1,
                     true) &&
           write_ini(home_file(home, IXOR_FILE_PROXY_STARTUP), startup, 1, false);
}

bool valid_port(const std::string &text)
{
    const int port = std::atoi(text.c_str());
    return text.find_first_not_of("0123456789") == std::string::npos && text.size() <= 5 &&
           port >= 1 && port <= 65535;
}

int run_init(const Invocation &inv)
{
    if (!inv.proxy_port.empty() && !valid_port(inv.proxy_port)) {
        return usage_error("init: --proxy-port needs a port from 1 to 65535");
    }
    const std::string root = agent_root();
    const std::string apphome_file = root + "/" IXOR_FILE_APPHOME;
    if (path_exists(apphome_file) && !inv.force) {
        return fail("init refused: " + root + " already holds an agent root (--force resets it)");
    }
    if (!write_ini(apphome_file, {{"apphome", "path", "."}}, 0, false)) {
        return fail("init failed: cannot write " + apphome_file);
    }
    open_tool_log();
    const std::string home = app_home();
    if (inv.force && !reset_library_state(home)) {
        return fail("init failed: cannot remove the old registrations below " + home);
    }
    if (!write_agent_files(home, inv.proxy_port)) {
        return fail("init failed: cannot write the agent files below " + home);
    }
    return print_result(inv, "agent root ready at " + root + " (application home " + home + ")",
                        {{"result", 0}, {"root", root}, {"home", home}});
}

std::string product_problem(const std::string &code)
{
    std::string problem = home_problem();
    if (!problem.empty()) {
        return problem;
    }
    return "code '" + code +
           "' is refused (empty, 'count', over 256 bytes, blanks at an end, control "
           "characters or brackets) or product_register.eni cannot be written";
}

int run_product_add(const Invocation &inv)
{
    const std::string &code = inv.args[0];
    bool had = is_product_register(code.c_str()) == 1;
    if (add_product_register(code.c_str()) != 0) {
        return fail("product add failed: " + product_problem(code));
    }
    return print_done(inv, had ? code + " was already registered with the agent"
                               : "registered " + code + " with the agent");
}

int run_product_remove(const Invocation &inv)
{
    const std::string &code = inv.args[0];
    bool had = is_product_register(code.c_str()) == 1;
    if (remove_product_register(code.c_str()) != 0) {
        return fail("product remove failed: " + product_problem(code));
    }
    return print_done(inv, had ? "removed " + code + " from the agent's products"
                               : code + " was not registered with the agent");
}

}  // namespace

const Command init_command = {
    "init",
    "[--force] [--proxy-port PORT]",
    "Set up a fresh agent root",
    "Writes ixor_apphome.ini (the application home is the root itself),\n"
    "config/product_register.eni with no products and the proxy's start-up\n"
    "description config/ixor_ipcproxy/ipc_proxy.eni. Refuses a root that already\n"
    "has ixor_apphome.ini unless --force is given; --force also removes the\n"
    "registrations, the proxy configuration and the ipc_proxy process record.\n"
    "The description starts ipc_proxy from ixor-agent's folder; it listens on\n"
    "127.0.0.1 on PORT, or on any free port without --proxy-port.\n",
    0,
    0,
    run_init};

const Command product_add_command = {
    "product add",
    "CODE",
    "Register product CODE with the agent",
    "Adds CODE to config/product_register.eni and updates its count. Only\n"
    "products registered with the agent may register an endpoint.\n",
    1,
    1,
    run_product_add};

const Command product_remove_command = {
    "product remove",
    "CODE",
    "Remove product CODE from the agent's products",
    "Deletes CODE from config/product_register.eni and updates its count. Its\n"
    "endpoint registration, if any, stays until 'ixor-ipc remove CODE'.\n",
    1,
    1,
    run_product_remove};
