// The ixor_ini_file_* exports on a document in memory: lookups, changes and
// the walk over its sections.
#include "ini_handle.h"
#include "c_boundary.h"
#include "ixorbase.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

namespace {

// strtol base 10, clamped to 32 bits so that every system gives the same.
int to_int(const std::string &text)
{
    const long long n = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(n, INT_MIN, INT_MAX));
}

}  // namespace

const char *ixor_ini_file_get(ixor_ini *ini, const char *section, const char *key) noexcept
{
    return ixor::guarded<const char *>(nullptr, [&]() -> const char * {
        if (!ini || !section || !key)
            return nullptr;
        const std::string *value = ini->doc.get(section, key);
        return value ? value->c_str() : nullptr;
    });
}

int ixor_ini_file_get_int(ixor_ini *ini, const char *section, const char *key, int def) noexcept
{
    return ixor::guarded(def, [&] {
        const char *value = ixor_ini_file_get(ini, section, key);
        return value ? to_int(value) : def;
    });
}

int ixor_ini_file_set(ixor_ini *ini, const char *section, const char *key,
                      const char *value) noexcept
{
    return ixor::guarded(-1, [&] {
        if (!ini || !section || !key || !value)
            return -1;
        ini->doc.set(section, key, value);
        return 0;
    });
}

int ixor_ini_file_set_int(ixor_ini *ini, const char *section, const char *key, int value) noexcept
{
    return ixor::guarded(
        -1, [&] { return ixor_ini_file_set(ini, section, key, std::to_string(value).c_str()); });
}

// Succeeds when the key is absent afterwards, whether or not it was there.
int ixor_ini_file_unset(ixor_ini *ini, const char *section, const char *key) noexcept
{
    return ixor::guarded(-1, [&] {
        if (!ini || !section || !key)
            return -1;
        ini->doc.unset(section, key);
        return 0;
    });
}

int ixor_ini_file_del(ixor_ini *ini, const char *section) noexcept
{
    return ixor::guarded(-1, [&] {
        if (!ini || !section)
            return -1;
        ini->doc.remove_section(section);
        return 0;
    });
}

// Walks the sections present when the walk starts, in document order, so
// that a callback may delete or add sections; one it deleted is not
// visited. A non-zero result of the callback ends the walk and is returned.
// The walk allocates nothing, so running out of memory never ends it
// midway: callers that ignore its result still see every section.
int ixor_ini_file_foreach(ixor_ini *ini, void *user, ixor_ini_section_cb cb) noexcept
{
    return ixor::guarded(-1, [&] {
        if (!ini || !cb)
            return -1;
        const size_t places = ini->doc.section_places();
        for (size_t place = 0; place < places; ++place) {
            const std::string *name = ini->doc.section_at(place);
            if (!name)
                continue;
            if (const int stop = cb(ini, name->c_str(), user))
                return stop;
        }
        return 0;
    });
}
