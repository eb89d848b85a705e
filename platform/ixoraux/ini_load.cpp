// Loads and lookups of the agent's INI files that tell a missing file or
// value from a call that ran out of memory.
#include "aux_internal.h"
#include "os.h"

#include <new>

namespace ixoraux {
namespace {

template <class Call> auto told(Call call)
{
    ixor::os::forget_out_of_memory();
    auto result = call();
    if (!result && ixor::os::said_out_of_memory())
        throw std::bad_alloc();
    return result;
}

}  // namespace

IniPtr load_ini(const std::string &path)
{
    return told([&] { return IniPtr(ixor_ini_file_load(path.c_str())); });
}

const char *ini_value(ixor_ini *ini, const char *section, const char *key)
{
    return told([&] { return ixor_ini_file_get(ini, section, key); });
}

}  // namespace ixoraux
