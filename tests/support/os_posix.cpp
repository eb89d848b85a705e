// Environment, file times and arguments on POSIX systems.
#include "support_os.h"

#include <unistd.h>

#include <stdlib.h>
#include <sys/stat.h>

namespace ixor_test::os {

int current_pid() { return static_cast<int>(::getpid()); }

void set_env(const std::string &name, const std::string &value)
{
    setenv(name.c_str(), value.c_str(), 1);
}

void unset_env(const std::string &name)
{
    unsetenv(name.c_str());
}

long long file_mtime_ns(const std::string &utf8_path)
{
    struct stat st;
    if (stat(utf8_path.c_str(), &st) != 0)
        return -1;
    return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

std::vector<std::string> program_args(int argc, char **argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace ixor_test::os
