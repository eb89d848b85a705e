// Path helpers over the per-system folder calls.
#include "os.h"

namespace ixor::os {

std::string parent_dir(const std::string &path)
{
    const auto cut = path.find_last_of(path_separators);
    if (cut == std::string::npos)
        return std::string();
    return path.substr(0, cut == 0 ? 1 : cut);
}

bool make_parent_dirs(const std::string &path)
{
    const std::string dir = parent_dir(path);
    return dir.empty() || make_dirs(dir);
}

}  // namespace ixor::os
