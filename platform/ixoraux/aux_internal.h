// What the files of libixoraux share: where things lie below the
// application home, and handles that give themselves back.
#ifndef IXORAUX_INTERNAL_H
#define IXORAUX_INTERNAL_H

#include "ixorbase_handles.h"

#include <optional>
#include <string>

namespace ixoraux {

using ixorbase::FileLock;
using ixorbase::IniPtr;

// "<application home>/config/<rel>"; nothing when the home is unknown.
std::optional<std::string> config_path(const std::string &rel);

// The base library's load and lookup, except that a failure for want of
// memory throws bad_alloc instead of reading as "no file" or "no value", so
// that no answer is given that could not be told.
IniPtr load_ini(const std::string &path);
const char *ini_value(ixor_ini *ini, const char *section, const char *key);

}  // namespace ixoraux

#endif
