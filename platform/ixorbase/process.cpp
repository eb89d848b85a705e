// Paths, the running process and pauses: the exports over the OS layer.
#include "ixorbase.h"
#include "os.h"

#include <optional>
#include <string>

int ixor_path_is_exist_u(const char *path)
{
    return path && ixorbase::os::path_exists(path) ? 1 : 0;
}

int ixor_process_get_path(int pid, char *buf, int size)
{
    const std::optional<std::string> exe = ixorbase::os::process_path(pid);
    return exe && ixorbase::os::copy_cut(*exe, buf, size) ? 0 : -1;
}

void ixor_sleep(int seconds)
{
    ixorbase::os::sleep_units(seconds);
}
