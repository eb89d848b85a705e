// The environment on POSIX: bytes as they are.
#include "os.h"

#include <cstdlib>

namespace ixor::os {

std::optional<std::string> get_env(const char *name)
{
    const char *value = std::getenv(name);
    if (!value)
        return std::nullopt;
    return std::string(value);
}

bool set_env(const char *name, const char *value)
{
    return (value ? ::setenv(name, value, 1) : ::unsetenv(name)) == 0;
}

}  // namespace ixor::os
