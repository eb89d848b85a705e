// The ixor_ini_file_* exports: an IniDocument behind an opaque handle,
// loaded from and saved to files.
#include "ini_document.h"
#include "ixorbase.h"
#include "os.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>

struct ixor_ini {
    ixorbase::IniDocument doc;
};

namespace {

// Larger files are refused rather than read into memory.
constexpr std::uint64_t max_file_size = 64ull << 20;

// strtol base 10, clamped to 32 bits so that every system gives the same.
int to_int(const std::string &text)
{
    const long long n = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(n, INT_MIN, INT_MAX));
}

}  // namespace

// Running out of memory is a failure result, never an exception across
// the C interface.
ixor_ini *ixor_ini_file_load(const char *path)
{
    try {
        if (!path)
            return new ixor_ini{};
        std::optional<std::string> text = ixorbase::os::read_file(path, max_file_size);
        if (!text)
            return nullptr;
        return new ixor_ini{ixorbase::IniDocument::parse(std::move(*text))};
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

const char *ixor_ini_file_get(ixor_ini *ini, const char *section, const char *key)
{
    if (!ini || !section || !key)
        return nullptr;
    const std::string *value = ini->doc.get(section, key);
    return value ? value->c_str() : nullptr;
}

int ixor_ini_file_get_int(ixor_ini *ini, const char *section, const char *key, int def)
{
    const char *value = ixor_ini_file_get(ini, section, key);
    return value ? to_int(value) : def;
}

int ixor_ini_file_set(ixor_ini *ini, const char *section, const char *key, const char *value)
{
    if (!ini || !section || !key || !value)
        return -1;
    try {
        ini->doc.set(section, key, value);
        return 0;
    } catch (const std::bad_alloc &) {
        return -1;
    }
}

int ixor_ini_file_set_int(ixor_ini *ini, const char *section, const char *key, int value)
{
    return ixor_ini_file_set(ini, section, key, std::to_string(value).c_str());
}

// Succeeds when the key is absent afterwards, whether or not it was there.
int ixor_ini_file_unset(ixor_ini *ini, const char *section, const char *key)
{
    if (!ini || !section || !key)
        return -1;
    ini->doc.unset(section, key);
    return 0;
}

int ixor_ini_file_del(ixor_ini *ini, const char *section)
{
    if (!ini || !section)
        return -1;
    ini->doc.remove_section(section);
    return 0;
}

// Refuses documents that would not load back the same, rather than
// escaping them; a non-zero flag also makes the rename itself durable.
int ixor_ini_file_save(ixor_ini *ini, const char *path, int flag)
{
    if (!ini || !path || !ini->doc.serializable())
        return -1;
    try {
        return ixorbase::os::write_file_atomic(path, ini->doc.serialize(), flag != 0) ? 0 : -1;
    } catch (const std::bad_alloc &) {
        return -1;
    }
}

// Walks the sections present when the walk starts, in document order, so
// that a callback may delete or add sections; one it deleted is not
// visited. A non-zero result of the callback ends the walk and is returned.
int ixor_ini_file_foreach(ixor_ini *ini, void *user, ixor_ini_section_cb cb)
{
    if (!ini || !cb)
        return -1;
    for (const std::string &name : ini->doc.section_names()) {
        if (!ini->doc.has_section(name))
            continue;
        if (const int stop = cb(ini, name.c_str(), user))
            return stop;
    }
    return 0;
}

void ixor_ini_file_free(ixor_ini *ini)
{
    delete ini;
}
