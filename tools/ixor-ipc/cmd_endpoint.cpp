// register, remove and lookup: a product's endpoint in the registration file.
#include <cstdlib>
#include <vector>

#include "agent_files.h"
#include "commands.h"
#include "ixor_ipc.h"
#include "ixor_ipc_files.h"
#include "ixor_ipc_limits.h"
#include "ixoraux.h"
#include "status_model.h"

namespace {

const char generic_problem[] =
    "the registration file could not be locked, loaded or saved (see the log)";

// The number the library reads from the text: the leading decimal number.
long leading_number(const std::string &text) { return std::strtol(text.c_str(), nullptr, 10); }

std::string registrations_path() { return home_file(app_home(), IXOR_FILE_REGISTRATIONS); }

// The library's checks in its order, to name the one that refused.
std::string register_problem(const std::vector<std::string> &args)
{
    const std::string &code = args[0];
    std::string problem = home_problem();
    if (!problem.empty()) {
        return problem;
    }
    if (is_product_register(code.c_str()) != 1) {
        return "product " + code +
               " is not registered with the agent (add it with "
               "'ixor-ipc product add " +
               code + "')";
    }
    if (code == IXOR_HVK) {
        return "HVK is not permitted to use the proxy";
    }
    long priority = leading_number(args[1]);
    if (priority < IXOR_PRIORITY_MIN || priority > IXOR_PRIORITY_MAX) {
        return "priority '" + args[1] + "' is outside 0..100";
    }
    long port = leading_number(args[3]);
    if (port < IXOR_PORT_MIN || port > IXOR_PORT_MAX) {
        return "port '" + args[3] + "' is outside 1..65534";
    }
    return generic_problem;
}

int run_register(const Invocation &inv)
{
    const std::vector<std::string> &a = inv.args;
    const char *uid = a.size() > 4 ? a[4].c_str() : nullptr;
    if (ixor_change_ipcproxy_addrport(a[0].c_str(), a[1].c_str(), a[2].c_str(), a[3].c_str(),
                                      uid) != 0) {
        return fail("register failed: " + register_problem(a));
    }
    return print_done(inv, "registered " + a[0] + " with priority " +
                               std::to_string(leading_number(a[1])) + ", port " + a[3]);
}

bool has_registration(const std::string &code)
{
    bool present = false;
    for (const Registration &reg : load_registrations(app_home(), present)) {
        if (reg.code == code) {
            return true;
        }
    }
    return false;
}

std::string remove_problem(int result)
{
    std::string problem = home_problem();
    if (result == -2 || !problem.empty()) {
        return problem.empty() ? "the application home cannot be resolved" : problem;
    }
    if (!path_exists(registrations_path())) {
        return "nothing is registered yet (no " + registrations_path() + ")";
    }
    return generic_problem;
}

int run_remove(const Invocation &inv)
{
    const std::string &code = inv.args[0];
    bool had = has_registration(code);
    int result = ixor_remove_product_config(code.c_str());
    if (result != 0) {
        return fail("remove failed: " + remove_problem(result));
    }
    return print_done(inv, had ? "removed " + code : code + " had no registration");
}

std::string lookup_problem()
{
    std::string problem = home_problem();
    if (!problem.empty()) {
        return problem;
    }
    if (!path_exists(registrations_path())) {
        return "nothing is registered yet (no " + registrations_path() + ")";
    }
    return "the registration file could not be locked or loaded (see the log)";
}

// Reads the endpoint, growing the address buffer until the text fits.
// The buffer starts with a mark that only an untouched buffer keeps.
int lookup(const std::string &code, std::string &addr, int &port, int &uid)
{
    std::vector<char> buf(4096);
    for (;;) {
        buf[0] = '\x01';
        buf[1] = '\0';
        int result =
            ixor_get_ipcproxy_addrport(code.c_str(), buf.data(), int(buf.size()), &port, &uid);
        addr = buf.data();
        if (result != 0 || addr.size() + 1 < buf.size() || buf.size() >= (1u << 26)) {
            return result;
        }
        buf.resize(buf.size() * 4);
    }
}

int run_lookup(const Invocation &inv)
{
    const std::string &code = inv.args[0];
    std::string addr;
    int port = 0, uid = 0;
    if (lookup(code, addr, port, uid) != 0) {
        return fail("lookup failed: " + lookup_problem());
    }
    if (addr == "\x01") {
        return fail("lookup failed: " + code + " has no registration");
    }
    std::string text =
        "addr: " + addr + "\nport: " + std::to_string(port) + "\nuid: " + std::to_string(uid);
    return print_result(inv, text, {{"code", code}, {"addr", addr}, {"port", port}, {"uid", uid}});
}

}  // namespace

const Command register_command = {
    "register",
    "CODE PRIORITY ADDRS PORT [UID]",
    "Register or change the endpoint of product CODE",
    "PRIORITY is 0..100 (the highest above 0 wins; 0 never wins), ADDRS one\n"
    "address or several separated by ';' (the first that answers is used),\n"
    "PORT 1..65534, UID an optional number handed on to the proxy; leaving it\n"
    "out removes a stored one. Numbers are read as their leading decimal digits.\n"
    "CODE must be registered with the agent ('ixor-ipc product add CODE'), and\n"
    "HVK may not register. The proxy configuration follows at once.\n",
    4,
    5,
    run_register};

const Command remove_command = {
    "remove",
    "CODE",
    "Withdraw the endpoint of product CODE",
    "The proxy switches to the next winner, or is removed with the last\n"
    "registration (after a pause of 3 units of IXOR_SLEEP_UNIT_MS while the\n"
    "agent still lists products).\n",
    1,
    1,
    run_remove};

const Command lookup_command = {"lookup",
                                "CODE",
                                "Show the endpoint registered by product CODE",
                                "Prints addr (as registered, all candidates), port and uid.\n",
                                1,
                                1,
                                run_lookup};
