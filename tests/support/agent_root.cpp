#include "agent_root.h"

#include "ixoraux.h"
#include "ixorbase_handles.h"

namespace ixor_test {

AgentRoot::AgentRoot()
    : root_env_("IXOR_ROOT_DIR", dir_.path().c_str()),
      log_env_("IXOR_LOG_DIR", (dir_.path() + "/logs").c_str()),
      sleep_env_("IXOR_SLEEP_UNIT_MS", "1")
{
    move_home("home");
    // The host process registers its shared log, as product modules do.
    ixor_autolog_init((root() + "/logs").c_str(), 5);
}

void AgentRoot::move_home(const std::string &apphome)
{
    apphome_ = apphome;
    write_file(root() + "/ixor_apphome.ini", "[apphome]\npath=" + apphome + "\n");
    write_file(ipc("ipc_proxy.eni"), "[process]\nname=ipc_proxy\ncommand=ipc_proxy --serve\n");
}

// The shared log and the files it was rotated into.
std::string AgentRoot::log_text() const
{
    std::string all;
    for (const std::string &name : ixor::os::list_dir(root() + "/logs"))
        all += read_file(root() + "/logs/" + name);
    return all;
}

void AgentRoot::register_product(const std::string &code) const
{
    add_product_register(code.c_str());
}

std::string ini_value(const std::string &path, const char *section, const char *key)
{
    const ixorbase::IniPtr ini(file_exists(path) ? ixor_ini_file_load(path.c_str()) : nullptr);
    const char *value = ini ? ixor_ini_file_get(ini.get(), section, key) : nullptr;
    return value ? value : "<absent>";
}

std::vector<std::string> sections_in(const std::string &path)
{
    std::vector<std::string> names;
    const ixorbase::IniPtr ini(ixor_ini_file_load(path.c_str()));
    ixor_ini_file_foreach(ini.get(), &names, [](ixor_ini *, const char *section, void *user) {
        static_cast<std::vector<std::string> *>(user)->push_back(section);
        return 0;
    });
    return names;
}

}  // namespace ixor_test
