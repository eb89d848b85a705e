// The registrations as the library will judge them, for display: the
// library stays the authority, the proxy configuration shows what it did.
#ifndef IXOR_IPC_STATUS_MODEL_H
#define IXOR_IPC_STATUS_MODEL_H

#include <string>
#include <vector>

struct Registration {
    std::string code;
    int priority = 0;
    bool has_addr = false;
    std::string addr;
    int port = 0;
    int uid = 0;
    bool wins = false;
    std::string reason;  // why it wins, or why it was skipped or lost
};

struct ProxyConf {
    bool present = false;
    bool has_addr = false;
    std::string addr;
    int port = 0;
    int uid = 0;
};

// What runs: the agent and the proxy as the agent's state file gives them
// (each only when its pid is alive), and the runtime files of the proxy.
struct Runtime {
    int agent_pid = 0;  // 0 when no agent runs
    int proxy_pid = 0;  // 0 when the proxy does not run
    int proxy_restarts = 0;
    int local_port = 0;  // 0 when the proxy reports none
    bool has_connect = false;
    std::string connect_addr;
    int connect_port = 0;
};

struct StatusModel {
    std::string root;
    std::string home;
    bool registration_file = false;
    std::vector<Registration> registrations;  // in visit order
    int winner = -1;                          // index, -1 when none wins
    std::vector<std::string> candidates;      // of the winner
    ProxyConf proxy;
    int configured_candidate = -1;  // the candidate the proxy configuration holds
    bool proxy_follows_winner = false;
    bool process_config = false;
    bool hvk = false;
    Runtime runtime;
};

// The sections of the registration file in the order the library visits
// them; empty when the file is absent.
std::vector<Registration> load_registrations(const std::string &home, bool &file_present);
// Marks the winner and gives every section its reason; the winner's index or -1.
int judge_registrations(std::vector<Registration> &registrations);
StatusModel read_status(const std::string &root, const std::string &home);

#endif
