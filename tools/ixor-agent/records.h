// Process records, <home>/config/process/<name>.eni: what the agent must
// run. Each holds the start-up description the process was installed with:
//   [process]
//   command=ipc_proxy        a bare name (beside ixor-agent) or an absolute path
//   arg1=--port              optional arguments, arg1..argN without a gap
//   arg2=7070
//   restart=always           always | on-failure | no
#ifndef IXOR_AGENT_RECORDS_H
#define IXOR_AGENT_RECORDS_H

#include <map>
#include <string>
#include <vector>

struct Program {
    std::string path;
    std::vector<std::string> args;  // after the program's name
};

enum class Restart { always, on_failure, no };

struct Record {
    std::string identity;  // differs after every save of the record
    std::string problem;   // why it is not run; "" when it may be
    Program program;
    Restart restart = Restart::always;
};

// The records below the home, by process name; trust and content are
// checked for each, and so is every folder from the record up to the home.
std::map<std::string, Record> scan_records(const std::string &home, const std::string &agent_dir);
std::string process_folder(const std::string &home);

// Per system (record_file_*.cpp). The identity of the file as saved (a new
// save gives a new one even with the same content); "" when it is no
// regular file.
std::string file_identity(const std::string &path);
// Why the agent's account must not trust the file or folder: another owner,
// writable by others, a link; "" when it may.
std::string trust_problem(const std::string &path);
// Whether the path is absolute on this system.
bool absolute_path(const std::string &path);
extern const char *const program_suffix;  // ".exe" on Windows

#endif
