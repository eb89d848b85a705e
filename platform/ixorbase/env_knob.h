// Whole numbers that the environment sets for the base library: the log
// level and the sleep unit, which tests and demos shorten.
#ifndef IXORBASE_ENV_KNOB_H
#define IXORBASE_ENV_KNOB_H

#include "os.h"

#include <optional>
#include <string>

namespace ixorbase {

// Only decimal digits (at most nine); nothing when unset or holding
// anything else.
inline std::optional<long> env_whole_number(const char *name)
{
    const std::optional<std::string> text = ixor::os::get_env(name);
    if (!text || text->empty() || text->size() > 9 ||
        text->find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stol(*text);
}

}  // namespace ixorbase

#endif
