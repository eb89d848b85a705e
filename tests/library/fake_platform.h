// A recording fake of libixorbase and libixoraux for the library's objects:
// files live in memory below the home "/agent/home" of the root "/agent",
// the calls whose order matters are recorded, each failure can be switched on.
// An INI handle is the real one; only its load, save and free are faked.
#ifndef IXOR_FAKE_PLATFORM_H
#define IXOR_FAKE_PLATFORM_H

#include <map>
#include <set>
#include <string>
#include <vector>

namespace fake {

using Lines = std::vector<std::string>;

struct LogLine {
    int level;
    std::string text;
};

struct Platform {
    int apphome_result = 0;
    bool root_null = false;
    int app_home_dir_result = 0;

    std::map<std::string, std::string> files;  // INI text by full path
    std::set<std::string> load_fails, save_fails;
    bool lock_init_fails = false, lock_acquire_fails = false;

    std::set<std::string> registered, installed;
    std::map<std::string, std::string> processes;  // name -> start-up text
    int install_result = 0, uninstall_result = 0;

    bool log_registered = true;
    int log_level = 3;
    std::string process_path = "host";
    const char *log_dir = nullptr;  // null: the shared log has no directory

    Lines calls;
    std::vector<LogLine> lines;
    Lines autolog_dirs;
};

Platform &platform();
void reset();
size_t count(const std::string &call);      // how often a call was recorded
// The apply step ran, and its first call (the HVK question) came right after
// the registration lock was released and destroyed.
bool handed_over();
Lines tails();                              // log line texts after the common prefix, in order
std::string file(const std::string &path);  // its text, or "<absent>"

}  // namespace fake

// Paths that the library composes below the application home.
namespace paths {
const std::string ipc = "/agent/home/config/ixor_ipcproxy/";
const std::string registrations = ipc + "ixor_ipcproxy_pre.eni";
const std::string proxy_conf = ipc + "ixor_ipcproxy.ini";
const std::string startup = ipc + "ipc_proxy.eni";
const std::string connect = "/agent/home//config/ixor_ipcproxy/connect.ini";
const std::string server_port = ipc + "server_port.ini";
const std::string product_register = "/agent/home/config/product_register.eni";
}  // namespace paths

#endif
