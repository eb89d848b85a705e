// The agent's state file, <root>/run/ixor-agent.ini: the agent's pid and,
// per running process, its pid, start time and restart count. The agent
// saves it after every start and exit; ixor-ipc status reads it.
#ifndef IXOR_AGENT_STATE_H
#define IXOR_AGENT_STATE_H

#include <string>
#include <vector>

struct ProcessState {
    std::string name;
    int pid = 0;
    long long started = 0;  // seconds since the epoch
    int restarts = 0;
};

struct AgentState {
    int agent_pid = 0;  // 0 when no agent has saved the file
    std::vector<ProcessState> processes;
};

std::string agent_run_dir(const std::string &root);
bool save_agent_state(const std::string &root, const AgentState &state);
// Nothing when the file is absent or unreadable.
AgentState load_agent_state(const std::string &root);
bool remove_agent_state(const std::string &root);

#endif
