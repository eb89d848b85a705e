// Process configurations: one record per agent process, holding the
// start-up description it was installed with.
#include "aux_internal.h"
#include "c_boundary.h"
#include "ixoraux.h"

#include "os.h"

#include <cstring>

namespace ixoraux {
namespace {

// The name becomes a file name; anything that could leave the process
// folder is refused.
bool valid_name(const char *name)
{
    return name && *name && !std::strpbrk(name, "/\\:") && !std::strstr(name, "..");
}

std::optional<std::string> record_path(const char *name)
{
    if (!valid_name(name))
        return std::nullopt;
    return config_path(std::string("process/") + name + ".eni");
}

}  // namespace
}  // namespace ixoraux

int is_ixor_process_config_exists(const char *name) noexcept
{
    return ixor::guarded(0, [&] {
        const auto path = ixoraux::record_path(name);
        return path && ixor_path_is_exist_u(path->c_str()) ? 1 : 0;
    });
}

int install_ixor_process(const char *name, ixor_ini *startup) noexcept
{
    return ixor::guarded(-1, [&] {
        const auto path = ixoraux::record_path(name);
        if (!path || !startup)
            return -1;
        const ixoraux::FileLock lock(*path);
        if (!lock.held())
            return -1;
        return ixor_ini_file_save(startup, path->c_str(), 1) == 0 ? 0 : -1;
    });
}

int uninstall_ixor_process(const char *name) noexcept
{
    return ixor::guarded(-1, [&] {
        const auto path = ixoraux::record_path(name);
        if (!path)
            return -1;
        const ixoraux::FileLock lock(*path);
        if (!lock.held())
            return -1;
        return ixor::os::remove_file(*path) ? 0 : -1;
    });
}
