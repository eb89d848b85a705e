// The atomic save, once for every system, over the primitives of
// file_*.cpp: a temporary file beside the target, written whole and
// flushed, then renamed over it.
#include "os.h"

namespace ixor::os {
namespace {

// A new file beside the target whose name no other writer uses.
FileHandle create_temp_beside(const std::string &path, std::string &temp)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = next_temp_name(path);
        bool taken = false;
        const FileHandle file = create_new_file(temp, taken);
        if (file != no_file || !taken)
            return file;
    }
    return no_file;
}

}  // namespace

bool write_file_atomic(const std::string &path, std::string_view data, bool durable)
{
    if (!replaceable(path) || !make_parent_dirs(path))
        return false;
    std::string temp;
    const FileHandle file = create_temp_beside(path, temp);
    if (file == no_file)
        return false;
    if (!write_and_close(file, data) || !replace_file(temp, path)) {
        remove_file(temp);
        return false;
    }
    remove_stale_temps(path);
    return !durable || sync_dir(parent_dir(path));
}

}  // namespace ixor::os
