// Calls of the writing exports and their serial replay: the same calls made
// one after another in an agent root of their own leave the registration
// file by which any run of them, concurrent or killed, is measured.
#ifndef IXOR_RELIABILITY_REPLAY_H
#define IXOR_RELIABILITY_REPLAY_H

#include <map>
#include <optional>
#include <string>

#include "agent_root.h"
#include "ixor_ipc.h"
#include "ixorbase_handles.h"

namespace ixor_test {

// A change, or with `remove` the removal of the code, in the current root.
struct Call {
    std::string code;
    std::string priority;
    std::string addr;
    std::string port;
    std::optional<std::string> uid;  // nullopt: passed as null
    bool remove = false;

    int run() const
    {
        return remove ? ixor_remove_product_config(code.c_str())
                      : ixor_change_ipcproxy_addrport(code.c_str(), priority.c_str(), addr.c_str(),
                                                      port.c_str(), uid ? uid->c_str() : nullptr);
    }
};

// Made before the test's own agent root, which then stays the current one;
// the replay switches to its root for each of its calls.
class Replay {
public:
    void register_product(const std::string &code) const
    {
        const ScopedEnv here("IXOR_ROOT_DIR", root_.root().c_str());
        root_.register_product(code);
    }
    int run(const Call &call) const
    {
        const ScopedEnv here("IXOR_ROOT_DIR", root_.root().c_str());
        return call.run();
    }
    std::string file() const { return root_.registrations(); }

private:
    AgentRoot root_;
};

// Every section's registration keys, "<absent>" for a missing one, by
// section name; empty when the file does not load.
inline std::map<std::string, std::string> registrations(const std::string &path)
{
    std::map<std::string, std::string> all;
    const ixorbase::IniPtr ini(ixor_ini_file_load(path.c_str()));
    for (const std::string &name : sections_in(path)) {
        for (const char *key : {"priority", "addr", "port", "uid"}) {
            const char *value = ixor_ini_file_get(ini.get(), name.c_str(), key);
            all[name] += std::string(key) + "=" + (value ? value : "<absent>") + "\n";
        }
    }
    return all;
}

}  // namespace ixor_test

#endif
