// The agent's root directory and its application home.
#include "aux_internal.h"
#include "c_boundary.h"
#include "ixoraux.h"
#include "os.h"

#include <cstdlib>
#include <cstring>

namespace ixoraux {
namespace {

const char *const apphome_file = "ixor_apphome.ini";

std::string root_dir()
{
    const std::optional<std::string> from_env = ixor::os::get_env("IXOR_ROOT_DIR");
    return from_env && !from_env->empty() ? *from_env : IXOR_DEFAULT_ROOT;
}

// The application home as the file stores it, relative to the root.
std::optional<std::string> stored_app_home(const char *apphome_ini)
{
    const IniPtr ini = load_ini(apphome_ini);
    if (!ini)
        return std::nullopt;
    const char *value = ini_value(ini.get(), "apphome", "path");
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

std::string dir_of(const std::string &file)
{
    const auto cut = file.find_last_of(ixor::os::path_separators);
    return cut == std::string::npos ? "." : file.substr(0, cut);
}

// A home below which a caller's path would be cut short is no home.
bool short_enough(const std::string &home)
{
    return home.size() + IXORAUX_HOME_TAIL_MAX < IXORAUX_PATH_MAX;
}

// A result that does not fit leaves the buffer as it was.
int copy_out(const std::optional<std::string> &text, char *buf, int size)
{
    if (!text || text->size() >= static_cast<size_t>(size))
        return -1;
    std::memcpy(buf, text->c_str(), text->size() + 1);
    return 0;
}

std::optional<std::string> app_home()
{
    const std::string root = root_dir();
    const auto rel = stored_app_home((root + "/" + apphome_file).c_str());
    if (!rel || !short_enough(root + "/" + *rel))
        return std::nullopt;
    return root + "/" + *rel;
}

}  // namespace

std::optional<std::string> config_path(const std::string &rel)
{
    const auto home = app_home();
    if (!home)
        return std::nullopt;
    return *home + "/config/" + rel;
}

}  // namespace ixoraux

char *get_ixor_root_dir(void) noexcept
{
    return ixor::guarded<char *>(nullptr, [&]() -> char * {
        const std::string root = ixoraux::root_dir();
        char *copy = static_cast<char *>(std::malloc(root.size() + 1));
        if (copy)
            std::memcpy(copy, root.c_str(), root.size() + 1);
        return copy;
    });
}

// The caller joins a relative home after the file's folder; the bound
// applies to the joined home.
int get_app_home_dir(const char *apphome_ini, char *buf, int size, int absolute) noexcept
{
    return ixor::guarded(-1, [&] {
        if (!apphome_ini || !buf || size <= 0)
            return -1;
        auto home = ixoraux::stored_app_home(apphome_ini);
        if (!home)
            return -1;
        const std::string joined = ixoraux::dir_of(apphome_ini) + "/" + *home;
        if (!ixoraux::short_enough(joined))
            return -1;
        return ixoraux::copy_out(absolute ? joined : *home, buf, size);
    });
}

int get_apphome_path_main(char *buf, int size) noexcept
{
    return ixor::guarded(-1, [&] {
        if (!buf || size <= 0)
            return -1;
        return ixoraux::copy_out(ixoraux::app_home(), buf, size);
    });
}
