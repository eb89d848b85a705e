#include "agent_files.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "ixoraux.h"

namespace {

const int path_size = 4096;

}  // namespace

std::string agent_root()
{
    char *root = get_ixor_root_dir();
    std::string text = root ? root : "";
    std::free(root);
    return text;
}

std::string app_home()
{
    char buf[path_size] = "";
    return get_apphome_path_main(buf, sizeof buf) == 0 ? buf : "";
}

std::string home_problem()
{
    if (!app_home().empty()) {
        return "";
    }
    const std::string root = agent_root();
    if (!path_exists(root)) {
        return "no agent root at " + root + " (create one with 'ixor-ipc init')";
    }
    return "no application home: " + root +
           "/ixor_apphome.ini is missing or names none (create one with 'ixor-ipc init')";
}

std::string ipc_file(const std::string &home, const std::string &name)
{
    return home + "/config/ixor_ipcproxy/" + name;
}

bool path_exists(const std::string &path) { return ixor_path_is_exist_u(path.c_str()) == 1; }

void open_tool_log()
{
    const std::string root = agent_root();
    if (path_exists(root + "/ixor_apphome.ini")) {
        ixor_autolog_init((root + "/logs").c_str(), 5);
    }
}

IniPtr load_locked(const std::string &path)
{
    IniPtr ini;
    if (!path_exists(path)) {
        return ini;
    }
    ixorbase::FileLock lock(path);
    ini.reset(ixor_ini_file_load(path.c_str()));
    return ini;
}

std::string ini_text(ixor_ini *ini, const char *section, const char *key, bool &present)
{
    const char *value = ixor_ini_file_get(ini, section, key);
    present = value != nullptr;
    return present ? value : "";
}

bool write_ini(const std::string &path, const std::vector<IniEntry> &entries, int flag, bool locked)
{
    IniPtr ini(ixor_ini_file_load(nullptr));
    for (const IniEntry &entry : entries) {
        ixor_ini_file_set(ini.get(), entry.section, entry.key, entry.value.c_str());
    }
    if (!locked) {
        return ixor_ini_file_save(ini.get(), path.c_str(), flag) == 0;
    }
    ixorbase::FileLock lock(path);
    return lock.held() && ixor_ini_file_save(ini.get(), path.c_str(), flag) == 0;
}

bool remove_locked(const std::string &path)
{
    if (!path_exists(path)) {
        return true;
    }
    ixorbase::FileLock lock(path);
    std::error_code ec;
    std::filesystem::remove(std::filesystem::u8path(path), ec);
    return !path_exists(path);
}
