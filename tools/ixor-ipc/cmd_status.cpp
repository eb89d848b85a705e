// status: every registration in visit order, the winner and why, and what
// the library made of it.
#include "agent_files.h"
#include "commands.h"
#include "status_model.h"

namespace {

std::string yes_no(bool flag) { return flag ? "yes" : "no"; }

std::string registration_line(const Registration &reg)
{
    return "  " + reg.code + ": priority " + std::to_string(reg.priority) + ", addr " +
           (reg.has_addr ? reg.addr : "(none)") + ", port " + std::to_string(reg.port) + ", uid " +
           std::to_string(reg.uid) + "\n      " + (reg.wins ? "" : "loses: ") + reg.reason + "\n";
}

std::string candidates_text(const StatusModel &model)
{
    std::string text;
    for (size_t i = 0; i < model.candidates.size(); ++i) {
        text += "  " + model.candidates[i] +
                (int(i) == model.configured_candidate ? "  <- in the proxy configuration" : "") +
                "\n";
    }
    return text;
}

std::string proxy_text(const StatusModel &model)
{
    const ProxyConf &p = model.proxy;
    std::string text = "proxy configuration: ";
    text += p.present ? "addr " + (p.has_addr ? p.addr : "(none)") + ", port " +
                            std::to_string(p.port) + ", uid " + std::to_string(p.uid)
                      : "none";
    if (model.winner >= 0 && !model.proxy_follows_winner) {
        text += "\n  it does not follow the winner yet; 'ixor-ipc regenerate' applies it";
    } else if (model.winner < 0 && p.present) {
        text += "\n  left as it was: without a winner the library does not touch it";
    }
    return text + "\n";
}

std::string winner_text(const StatusModel &model)
{
    if (model.winner < 0) {
        return model.registrations.empty() ? "winner: none (nothing is registered)\n"
                                           : "winner: none (no registration can win)\n";
    }
    return "winner: " + model.registrations[size_t(model.winner)].code +
           "\ncandidates of the winner:\n" + candidates_text(model);
}

std::string pid_text(int pid)
{
    return pid ? "running (pid " + std::to_string(pid) + ")" : "not running";
}

std::string runtime_text(const Runtime &r)
{
    std::string text =
        "ixor-agent: " + pid_text(r.agent_pid) + "\nipc_proxy: " + pid_text(r.proxy_pid);
    if (r.proxy_pid && r.proxy_restarts) {
        text += ", restarted " + std::to_string(r.proxy_restarts) + " times";
    }
    text += "\nlocal port: " + (r.local_port ? std::to_string(r.local_port) : "none reported");
    return text + "\nconnects to: " +
           (r.has_connect ? r.connect_addr + " port " + std::to_string(r.connect_port)
                          : "none reported");
}

std::string status_text(const StatusModel &model)
{
    std::string text = "root: " + model.root + "\napplication home: " + model.home + "\n";
    text += "HVK present: " + yes_no(model.hvk) +
            (model.hvk ? " (the library leaves the proxy alone)" : "") + "\n";
    if (!model.registration_file) {
        text += "registrations: none yet (no registration file)\n";
    } else if (model.registrations.empty()) {
        text += "registrations: none (the registration file holds no section)\n";
    } else {
        text += "registrations, in visit order:\n";
    }
    for (const Registration &reg : model.registrations) {
        text += registration_line(reg);
    }
    text += winner_text(model) + proxy_text(model);
    text += "ipc_proxy process configuration: " +
            std::string(model.process_config ? "present" : "absent");
    return text + "\n" + runtime_text(model.runtime);
}

Json text_or_null(bool present, const std::string &text) { return present ? Json(text) : Json(); }

Json registration_json(const Registration &reg)
{
    return {{"code", reg.code},
            {"priority", reg.priority},
            {"addr", text_or_null(reg.has_addr, reg.addr)},
            {"port", reg.port},
            {"uid", reg.uid},
            {"wins", reg.wins},
            {"reason", reg.reason}};
}

Json proxy_json(const ProxyConf &p)
{
    if (!p.present) {
        return nullptr;
    }
    return {{"addr", text_or_null(p.has_addr, p.addr)}, {"port", p.port}, {"uid", p.uid}};
}

Json pid_or_null(int pid) { return pid ? Json(pid) : Json(); }

Json runtime_json(const Runtime &r)
{
    const Json connect =
        r.has_connect ? Json{{"addr", r.connect_addr}, {"port", r.connect_port}} : Json();
    return {{"agent_pid", pid_or_null(r.agent_pid)},
            {"proxy_pid", pid_or_null(r.proxy_pid)},
            {"proxy_restarts", r.proxy_restarts},
            {"local_port", r.local_port ? Json(r.local_port) : Json()},
            {"connect", connect}};
}

Json status_json(const StatusModel &model)
{
    Json registrations = Json::array();
    for (const Registration &reg : model.registrations) {
        registrations.push_back(registration_json(reg));
    }
    const Json winner =
        model.winner < 0 ? Json() : Json(model.registrations[size_t(model.winner)].code);
    const Json configured = model.configured_candidate < 0
                                ? Json()
                                : Json(model.candidates[size_t(model.configured_candidate)]);
    return {{"root", model.root},
            {"home", model.home},
            {"hvk", model.hvk},
            {"registration_file", model.registration_file},
            {"registrations", registrations},
            {"winner", winner},
            {"candidates", model.candidates},
            {"proxy", proxy_json(model.proxy)},
            {"configured_candidate", configured},
            {"proxy_follows_winner", model.proxy_follows_winner},
            {"process_config", model.process_config},
            {"runtime", runtime_json(model.runtime)}};
}

int run_status(const Invocation &inv)
{
    const std::string home = app_home();
    if (home.empty()) {
        return fail("status failed: " + home_problem());
    }
    const StatusModel model = read_status(agent_root(), home);
    return print_result(inv, status_text(model), status_json(model));
}

}  // namespace

const Command status_command = {
    "status",
    "",
    "Show the registrations, the winner and the proxy's state",
    "Lists every registration in the order the library visits them, which one\n"
    "wins and why the others do not (HVK never counts; priority 0 never wins; no\n"
    "addr; port 0; lower priority; on a tie the first one wins), the winner's\n"
    "candidate addresses and the one the proxy configuration holds, whether the\n"
    "ipc_proxy process configuration exists and whether HVK is present. The\n"
    "winner is worked out here for display; the proxy configuration shows what\n"
    "the library actually configured. Then what runs: ixor-agent and ipc_proxy\n"
    "with their pids (from <root>/run/ixor-agent.ini, each only when alive), the\n"
    "proxy's local port and the address it connects to, as the proxy reports them.\n",
    0,
    0,
    run_status};
