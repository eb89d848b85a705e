// Folders on POSIX.
#include "fd_posix.h"
#include "os.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>

namespace ixor::os {

const char *const path_separators = "/";

// The mode is set again after mkdir, which the umask narrows; through a
// descriptor, so that a link swapped in meanwhile is not followed.
void create_dir(const std::string &dir)
{
    if (::mkdir(dir.c_str(), dir_mode) != 0)
        return;
    const Fd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.valid())
        ::fchmod(fd.get(), dir_mode);
}

bool is_directory(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> list_dir(const std::string &dir)
{
    std::vector<std::string> names;
    const std::unique_ptr<DIR, int (*)(DIR *)> listing(::opendir(dir.c_str()), ::closedir);
    if (!listing)
        return names;
    while (const dirent *entry = ::readdir(listing.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    return names;
}

}  // namespace ixor::os
