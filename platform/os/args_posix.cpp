// The command line on POSIX: bytes as they are.
#include "os.h"

namespace ixor::os {

std::vector<std::string> program_args(int argc, char **argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace ixor::os
