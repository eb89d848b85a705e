#include "status_model.h"

#include "agent_files.h"
#include "agent_state.h"
#include "ixoraux.h"
#include "ixor_ipc.h"
#include "ixor_ipc_files.h"
#include "ixor_ipc_limits.h"
#include "os.h"

namespace {

int read_section(ixor_ini *ini, const char *section, void *user)
{
    Registration reg;
    reg.code = section;
    reg.priority = ixor_ini_file_get_int(ini, section, "priority", 0);
    reg.addr = ini_text(ini, section, "addr", reg.has_addr);
    reg.port = ixor_ini_file_get_int(ini, section, "port", 0);
    reg.uid = ixor_ini_file_get_int(ini, section, "uid", 0);
    static_cast<std::vector<Registration> *>(user)->push_back(reg);
    return 0;
}

// Why a section can never win, whatever else is registered; "" when it can.
std::string disqualification(const Registration &reg)
{
    if (reg.code == IXOR_HVK) {
        return "HVK never counts";
    }
    if (reg.priority <= 0) {
        return "priority " + std::to_string(reg.priority) + " never wins";
    }
    if (!reg.has_addr) {
        return "no addr";
    }
    return reg.port == 0 ? "port 0" : "";
}

std::string loss_reason(const Registration &reg, const Registration &winner)
{
    if (reg.priority < winner.priority) {
        return "lower priority than " + winner.code;
    }
    return "tie: " + winner.code + " came first";
}

std::string win_reason(const std::vector<Registration> &registrations, const Registration &winner)
{
    int tied = 0;
    for (const Registration &reg : registrations) {
        tied += reg.priority == winner.priority && disqualification(reg).empty();
    }
    std::string reason = "wins: highest priority above 0 with an addr and a port";
    return tied > 1 ? reason + ", first of " + std::to_string(tied) + " with priority " +
                          std::to_string(winner.priority)
                    : reason;
}

std::vector<std::string> candidates_of(const std::string &addr)
{
    int count = 0;
    char **pieces = ixor_str_split(addr.c_str(), ";", &count);
    if (count < 2) {
        return {addr};
    }
    return std::vector<std::string>(pieces, pieces + count);
}

ProxyConf read_proxy_conf(const std::string &home)
{
    ProxyConf conf;
    IniPtr ini = load_locked(home_file(home, IXOR_FILE_PROXY_CONF));
    if (!ini) {
        return conf;
    }
    conf.present = true;
    conf.addr = ini_text(ini.get(), "config", "addr", conf.has_addr);
    conf.port = ixor_ini_file_get_int(ini.get(), "config", "port", 0);
    conf.uid = ixor_ini_file_get_int(ini.get(), "config", "uid", 0);
    return conf;
}

void match_proxy_conf(StatusModel &model)
{
    if (model.winner < 0 || !model.proxy.has_addr) {
        return;
    }
    const Registration &winner = model.registrations[size_t(model.winner)];
    for (size_t i = 0; i < model.candidates.size(); ++i) {
        if (model.candidates[i] == model.proxy.addr) {
            model.configured_candidate = int(i);
            break;
        }
    }
    model.proxy_follows_winner = model.configured_candidate >= 0 &&
                                 model.proxy.port == winner.port && model.proxy.uid == winner.uid;
}

int live_pid(int pid) { return pid > 0 && ixor::os::process_alive(pid) ? pid : 0; }

Runtime read_runtime(const std::string &root)
{
    Runtime runtime;
    const AgentState state = load_agent_state(root);
    runtime.agent_pid = live_pid(state.agent_pid);
    for (const ProcessState &process : state.processes) {
        if (runtime.agent_pid && process.name == "ipc_proxy") {
            runtime.proxy_pid = live_pid(process.pid);
            runtime.proxy_restarts = process.restarts;
        }
    }
    runtime.local_port = ixor_get_ipcproxy_localport();
    char addr[1024] = "";
    runtime.has_connect =
        ixor_get_ipcproxy_connectaddr(addr, sizeof addr, &runtime.connect_port) == 0;
    runtime.connect_addr = addr;
    return runtime;
}

}  // namespace

std::vector<Registration> load_registrations(const std::string &home, bool &file_present)
{
    std::vector<Registration> registrations;
    const std::string path = home_file(home, IXOR_FILE_REGISTRATIONS);
    file_present = path_exists(path);
    IniPtr ini = load_locked(path);
    if (ini) {
        ixor_ini_file_foreach(ini.get(), &registrations, read_section);
    }
    return registrations;
}

int judge_registrations(std::vector<Registration> &registrations)
{
    int winner = -1;
    for (size_t i = 0; i < registrations.size(); ++i) {
        const Registration &reg = registrations[i];
        bool beats = winner < 0 || reg.priority > registrations[size_t(winner)].priority;
        if (disqualification(reg).empty() && beats) {
            winner = int(i);
        }
    }
    for (Registration &reg : registrations) {
        reg.reason = disqualification(reg);
        if (reg.reason.empty()) {
            reg.wins = &reg == &registrations[size_t(winner)];
            reg.reason = reg.wins ? win_reason(registrations, reg)
                                  : loss_reason(reg, registrations[size_t(winner)]);
        }
    }
    return winner;
}

StatusModel read_status(const std::string &root, const std::string &home)
{
    StatusModel model;
    model.root = root;
    model.home = home;
    model.registrations = load_registrations(home, model.registration_file);
    model.winner = judge_registrations(model.registrations);
    if (model.winner >= 0) {
        model.candidates = candidates_of(model.registrations[size_t(model.winner)].addr);
    }
    model.proxy = read_proxy_conf(home);
    match_proxy_conf(model);
    model.process_config = is_ixor_process_config_exists(IXOR_PROXY_PROCESS) == 1;
    model.hvk = is_running_hvk() == 1;
    model.runtime = read_runtime(root);
    return model;
}
