// Temporary files of atomic saves: "<file>.<pid>.<n>.tmp" beside the file.
// A writer killed in the middle of a save leaves its temporary file behind;
// the next save of the same file removes those of processes that are gone.
#include "os.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace ixor::os {
namespace {

// The writer's process id out of a temporary file name of the given file,
// or 0 when the name is not one.
int writer_of(const std::string &name, const std::string &file)
{
    const std::string suffix = ".tmp";
    if (name.size() <= file.size() + suffix.size() + 1 || name.compare(0, file.size(), file) != 0 ||
        name[file.size()] != '.' || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
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
    namespace fs = std::filesystem;
    const fs::path target = fs::u8path(path);
    const std::string file = target.filename().u8string();
    std::error_code ec;
    for (fs::directory_iterator it(target.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
        const int pid = writer_of(it->path().filename().u8string(), file);
        if (pid != 0 && pid != current_pid() && !process_alive(pid))
            fs::remove(it->path(), ec);
    }
}

}  // namespace ixor::os
