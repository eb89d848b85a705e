// A whole agent root in a temporary directory for end-to-end runs of the
// shipped libraries: application home, product registrations, the proxy's
// start-up description, a shared log of its own and short pauses.
#ifndef IXOR_TEST_AGENT_ROOT_H
#define IXOR_TEST_AGENT_ROOT_H

#include <string>
#include <vector>

#include "ixor_test_support.h"

namespace ixor_test {

class AgentRoot {
public:
    AgentRoot();
    const std::string &root() const { return dir_.path(); }
    std::string home() const { return root() + "/" + apphome_; }
    // Names another application home, relative to the root, with the
    // proxy's start-up description below it.
    void move_home(const std::string &apphome);
    std::string ipc(const std::string &name) const
    {
        return home() + "/config/ixor_ipcproxy/" + name;
    }
    std::string registrations() const { return ipc("ixor_ipcproxy_pre.eni"); }
    std::string proxy_conf() const { return ipc("ixor_ipcproxy.ini"); }
    std::string process_record() const { return home() + "/config/process/ipc_proxy.eni"; }
    std::string log_text() const;

    // The agent's own bookkeeping of products.
    void register_product(const std::string &code) const;

private:
    TempDir dir_;
    ScopedEnv root_env_;
    ScopedEnv log_env_;
    ScopedEnv sleep_env_;
    std::string apphome_;
};

// Reading INI files back through the base library: one value, "<absent>"
// when the file or key is missing; the section names in the order the
// base library visits them, none when the file does not load.
std::string ini_value(const std::string &path, const char *section, const char *key);
std::vector<std::string> sections_in(const std::string &path);

}  // namespace ixor_test

#endif
