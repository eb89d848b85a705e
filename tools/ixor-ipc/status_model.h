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
};

// The sections of the registration file in the order the library visits
// them; empty when the file is absent.
std::vector<Registration> load_registrations(const std::string &home, bool &file_present);
// Marks the winner and gives every section its reason; the winner's index or -1.
int judge_registrations(std::vector<Registration> &registrations);
StatusModel read_status(const std::string &root, const std::string &home);

#endif
