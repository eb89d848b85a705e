// The agent's root directory and its application home.
#include "aux_internal.h"
#include "ixoraux.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace ixoraux {
namespace {

#ifdef _WIN32
const char *const path_separators = "/\\";

// The narrow environment is in the ANSI code page; paths here are UTF-8.
std::string env_utf8(const char *name)
{
    const std::wstring wide_name(name, name + std::strlen(name));
    const wchar_t *value = _wgetenv(wide_name.c_str());
    if (!value)
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, value, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, value, -1, utf8.data(), n, nullptr, nullptr);
    utf8.resize(std::strlen(utf8.c_str()));
    return utf8;
}
#else
const char *const path_separators = "/";

std::string env_utf8(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}
#endif

const char *const apphome_file = "ixor_apphome.ini";

std::string root_dir()
{
    const std::string from_env = env_utf8("IXOR_ROOT_DIR");
    return from_env.empty() ? IXOR_DEFAULT_ROOT : from_env;
}

// The application home as the file stores it, relative to the root.
std::optional<std::string> stored_app_home(const char *apphome_ini)
{
    const IniPtr ini(ixor_ini_file_load(apphome_ini));
    if (!ini)
        return std::nullopt;
    const char *value = ixor_ini_file_get(ini.get(), "apphome", "path");
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

std::string dir_of(const std::string &file)
{
    const auto cut = file.find_last_of(path_separators);
    return cut == std::string::npos ? "." : file.substr(0, cut);
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
    if (!rel)
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

char *get_ixor_root_dir(void)
{
    const std::string root = ixoraux::root_dir();
    char *copy = static_cast<char *>(std::malloc(root.size() + 1));
    if (copy)
        std::memcpy(copy, root.c_str(), root.size() + 1);
    return copy;
}

int get_app_home_dir(const char *apphome_ini, char *buf, int size, int absolute)
{
    if (!apphome_ini || !buf || size <= 0)
        return -1;
    auto home = ixoraux::stored_app_home(apphome_ini);
    if (home && absolute)
        home = ixoraux::dir_of(apphome_ini) + "/" + *home;
    return ixoraux::copy_out(home, buf, size);
}

int get_apphome_path_main(char *buf, int size)
{
    if (!buf || size <= 0)
        return -1;
    return ixoraux::copy_out(ixoraux::app_home(), buf, size);
}
