// What the files of libixoraux share: where things lie below the
// application home, and handles that give themselves back.
#ifndef IXORAUX_INTERNAL_H
#define IXORAUX_INTERNAL_H

#include "ixorbase_handles.h"

#include <optional>
#include <string>

namespace ixoraux {

// "<application home>/config/<rel>"; nothing when the home is unknown.
std::optional<std::string> config_path(const std::string &rel);

using ixorbase::FileLock;
using ixorbase::IniPtr;

}  // namespace ixoraux

#endif
