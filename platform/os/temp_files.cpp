// Temporary files of atomic saves: "<file>.<pid>.<n>.tmp" beside the file.
// A writer killed in the middle of a save leaves its temporary file behind;
// the next save of the same file removes those of processes that are gone.
#include "os.h"

#include <atomic>
#include <cstdlib>

namespace ixor::os {
namespace {

// The writer's process id out of a temporary file name of the given file,
// or 0 when the name is not one.
int writer_of(const std::string &name, const std::string &file)
{
    const std::string suffix = ".tmp";
    if (name.size() <= file.size() + suffix.size() + 1 || name.compare(0, file.size(), file) != 0 ||
        name[file.size()] != '.' ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    const char *digits = name.c_str() + file.size() + 1;
    char *end = nullptr;
    const long pid = std::strtol(digits, &end, 10);
    return end != digits && *end == '.' && pid > 0 ? static_cast<int>(pid) : 0;
}

}  // namespace

std::string next_temp_name(const std::string &path)
{
    static std::atomic<unsigned> counter{0};
    return path + "." + std::to_string(current_pid()) + "." + std::to_string(counter++) + ".tmp";
}

void remove_stale_temps(const std::string &path)
{
    const auto cut = path.find_last_of(path_separators);
    const std::string dir = cut == std::string::npos ? "." : path.substr(0, cut + 1);
    const std::string file = cut == std::string::npos ? path : path.substr(cut + 1);
    for (const std::string &name : list_dir(dir)) {
        const int pid = writer_of(name, file);
        if (pid != 0 && pid != current_pid() && !process_alive(pid))
            remove_file(dir + name);
    }
}

}  // namespace ixor::os
