#include "agent_state.h"

#include "agent_files.h"

namespace {

const char agent_section[] = "agent";

std::string state_path(const std::string &root) { return agent_run_dir(root) + "/ixor-agent.ini"; }

int read_process(ixor_ini *ini, const char *section, void *user)
{
    if (std::string(section) != agent_section) {
        ProcessState process{section, ixor_ini_file_get_int(ini, section, "pid", 0),
                             ixor_ini_file_get_int(ini, section, "started", 0),
                             ixor_ini_file_get_int(ini, section, "restarts", 0)};
        static_cast<AgentState *>(user)->processes.push_back(process);
    }
    return 0;
}

}  // namespace

std::string agent_run_dir(const std::string &root) { return root + "/run"; }

bool save_agent_state(const std::string &root, const AgentState &state)
{
    std::vector<IniEntry> entries{{agent_section, "pid", std::to_string(state.agent_pid)}};
    for (const ProcessState &p : state.processes) {
        entries.push_back({p.name.c_str(), "pid", std::to_string(p.pid)});
        entries.push_back({p.name.c_str(), "started", std::to_string(p.started)});
        entries.push_back({p.name.c_str(), "restarts", std::to_string(p.restarts)});
    }
    return write_ini(state_path(root), entries, 0, true);
}

AgentState load_agent_state(const std::string &root)
{
    AgentState state;
    IniPtr ini = load_locked(state_path(root));
    if (ini) {
        state.agent_pid = ixor_ini_file_get_int(ini.get(), agent_section, "pid", 0);
        ixor_ini_file_foreach(ini.get(), &state, read_process);
    }
    return state;
}

bool remove_agent_state(const std::string &root) { return remove_locked(state_path(root)); }
