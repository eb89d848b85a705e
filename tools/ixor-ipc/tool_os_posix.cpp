#include "tool_os.h"

#include <stdlib.h>

std::vector<std::string> tool_args(int argc, char **argv)
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool set_root_env(const std::string &root)
{
    return setenv("IXOR_ROOT_DIR", root.c_str(), 1) == 0;
}
