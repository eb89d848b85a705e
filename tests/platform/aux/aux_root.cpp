#include "aux_root.h"

#include <stdexcept>

namespace aux_test {

Ini make_ini(const IniContent &content)
{
    Ini ini(ixor_ini_file_load(nullptr));
    for (const auto &[section, keys] : content)
        for (const auto &[key, value] : keys)
            ixor_ini_file_set(ini.get(), section.c_str(), key.c_str(), value.c_str());
    return ini;
}

void save_ini(const std::string &path, const IniContent &content)
{
    if (ixor_ini_file_save(make_ini(content).get(), path.c_str(), 1) != 0)
        throw std::runtime_error("cannot save " + path);
}

namespace {

int collect(ixor_ini *, const char *section, void *user)
{
    static_cast<std::vector<std::string> *>(user)->push_back(section);
    return 0;
}

}  // namespace

std::vector<std::string> sections_of(const std::string &path)
{
    std::vector<std::string> names;
    const Ini ini(ixor_ini_file_load(path.c_str()));
    if (ini)
        ixor_ini_file_foreach(ini.get(), &names, collect);
    return names;
}

std::string value_of(const std::string &path, const char *section, const char *key)
{
    const Ini ini(ixor_ini_file_load(path.c_str()));
    const char *value = ini ? ixor_ini_file_get(ini.get(), section, key) : nullptr;
    return value ? value : "<absent>";
}

// dir_ comes first among the members, so the variable can name it.
AuxRoot::AuxRoot(const char *apphome)
    : env_("IXOR_ROOT_DIR", dir_.path().c_str()), apphome_(apphome)
{
    save_ini(dir_.file("ixor_apphome.ini"), {{"apphome", {{"path", apphome_}}}});
}

}  // namespace aux_test
