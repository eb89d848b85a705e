#include "records.h"

#include "agent_files.h"
#include "os.h"

namespace {

const char record_suffix[] = ".eni";
const int max_args = 64;

bool ends_with(const std::string &text, const std::string &tail)
{
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The record, then every folder up to and including the home.
std::string chain_problem(const std::string &home, const std::string &path)
{
    std::string problem = trust_problem(path);
    std::string dir = ixor::os::parent_dir(path);
    while (problem.empty() && dir.size() >= home.size() && dir.compare(0, home.size(), home) == 0) {
        problem = trust_problem(dir);
        const std::string up = ixor::os::parent_dir(dir);
        if (up == dir) {
            break;
        }
        dir = up;
    }
    return problem;
}

std::string resolve_command(const std::string &command, const std::string &agent_dir,
                            std::string &problem)
{
    if (absolute_path(command)) {
        return command;
    }
    if (command.empty() || command.find_first_of(ixor::os::path_separators) != std::string::npos ||
        command == "." || command == "..") {
        problem = "command '" + command + "' is neither a bare program name nor an absolute path";
        return "";
    }
    const std::string suffix = program_suffix;
    return agent_dir + "/" + command + (ends_with(command, suffix) ? "" : suffix);
}

Restart restart_policy(const std::string &text, std::string &problem)
{
    if (text.empty() || text == "always") {
        return Restart::always;
    }
    if (text == "on-failure") {
        return Restart::on_failure;
    }
    if (text != "no") {
        problem = "restart '" + text + "' is none of always, on-failure, no";
    }
    return Restart::no;
}

void read_description(ixor_ini *ini, const std::string &agent_dir, Record &record)
{
    bool present = false;
    const std::string command = ini_text(ini, "process", "command", present);
    record.program.path = resolve_command(command, agent_dir, record.problem);
    for (int n = 1; n <= max_args; ++n) {
        const std::string key = "arg" + std::to_string(n);
        const std::string arg = ini_text(ini, "process", key.c_str(), present);
        if (!present) {
            break;
        }
        record.program.args.push_back(arg);
    }
    const std::string restart = ini_text(ini, "process", "restart", present);
    record.restart = restart_policy(restart, record.problem);
}

Record read_record(const std::string &home, const std::string &path, const std::string &agent_dir)
{
    Record record;
    record.identity = file_identity(path);
    record.problem = chain_problem(home, path);
    if (!record.problem.empty()) {
        return record;
    }
    IniPtr ini = load_locked(path);
    if (!ini) {
        record.problem = "it cannot be read";
        return record;
    }
    read_description(ini.get(), agent_dir, record);
    return record;
}

}  // namespace

std::string process_folder(const std::string &home) { return home + "/config/process"; }

std::map<std::string, Record> scan_records(const std::string &home, const std::string &agent_dir)
{
    std::map<std::string, Record> records;
    const std::string folder = process_folder(home);
    for (const std::string &file : ixor::os::list_dir(folder)) {
        const std::string name = file.substr(0, file.size() - (sizeof record_suffix - 1));
        if (ends_with(file, record_suffix) && !name.empty()) {
            records[name] = read_record(home, folder + "/" + file, agent_dir);
        }
    }
    return records;
}
