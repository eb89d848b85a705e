// A recording fake of libixorbase and libixoraux, linked with the library's
// own objects: files live in memory, the platform calls whose order matters
// are recorded, and each failure can be switched on.
#ifndef IXOR_FAKE_PLATFORM_H
#define IXOR_FAKE_PLATFORM_H

#include <map>
#include <set>
#include <string>
#include <vector>

namespace fake {

struct LogLine {
    int level;
    std::string text;
};

struct Platform {
    // The application home and root directory.
    int apphome_result = 0;
    std::string apphome = "/agent/home";
    bool root_null = false;
    std::string root = "/agent";
    int app_home_dir_result = 0;
    std::string app_home_dir = "home";

    // Files as INI text by full path.
    std::map<std::string, std::string> files;
    std::set<std::string> load_fails;
    std::set<std::string> save_fails;
    bool lock_init_fails = false;
    bool lock_acquire_fails = false;

    // The agent's view of products and processes.
    std::set<std::string> registered;
    std::set<std::string> installed;
    std::map<std::string, std::string> processes;  // name -> start-up text
    int install_result = 0;
    int uninstall_result = 0;

    // The shared log.
    bool log_registered = true;
    int log_level = 3;
    std::string process_path = "C:\\agent\\bin\\host.exe";
    bool log_dir_ok = false;
    std::string log_dir = "D:\\logs";

    // What happened.
    std::vector<std::string> calls;
    std::vector<LogLine> lines;
    std::vector<std::string> autolog_dirs;
    int locks_held = 0;
};

Platform &platform();
void reset();

// Calls recorded since the last reset, in order, and how often one came.
const std::vector<std::string> &calls();
size_t count(const std::string &call);

// Log line tails (the text after the common prefix) in order.
std::vector<std::string> tails();

void put_file(const std::string &path, const std::string &text);

// The file's text, or "<absent>".
std::string file(const std::string &path);

}  // namespace fake

#endif
