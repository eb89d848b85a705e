// The ixor_ini_file_* exports: an IniDocument behind an opaque handle,
// loaded from and saved to files.
#include "ini_document.h"
#include "c_boundary.h"
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

// Larger files are refused rather than read into memory, and never saved.
constexpr std::uint64_t max_file_size = 64ull << 20;

// strtol base 10, clamped to 32 bits so that every system gives the same.
int to_int(const std::string &text)
{
    const long long n = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(n, INT_MIN, INT_MAX));
}

}  // namespace

ixor_ini *ixor_ini_file_load(const char *path) noexcept
{
    return ixor::guarded<ixor_ini *>(nullptr, [&]() -> ixor_ini * {
        if (!path)
            return new ixor_ini{};
        std::optional<std::string> text = ixor::os::read_file(path, max_file_size);
        if (!text)
            return nullptr;
        return new ixor_ini{ixorbase::IniDocument::parse(std::move(*text))};
    });
}

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

// Refuses documents that would not load back the same, rather than
// escaping them, and documents larger than a load reads; a non-zero flag also makes the rename
// itself durable.
int ixor_ini_file_save(ixor_ini *ini, const char *path, int flag) noexcept
{
    return ixor::guarded(-1, [&] {
        if (!ini || !path || !ini->doc.serializable())
            return -1;
        const std::string text = ini->doc.serialize();
        if (text.size() > max_file_size)
            return -1;
        return ixor::os::write_file_atomic(path, text, flag != 0) ? 0 : -1;
    });
}

// Walks the sections present when the walk starts, in document order, so
// that a callback may delete or add sections; one it deleted is not
// visited. A non-zero result of the callback ends the walk and is returned.
int ixor_ini_file_foreach(ixor_ini *ini, void *user, ixor_ini_section_cb cb) noexcept
{
    return ixor::guarded(-1, [&] {
        if (!ini || !cb)
            return -1;
        for (const std::string &name : ini->doc.section_names()) {
            if (!ini->doc.has_section(name))
                continue;
            if (const int stop = cb(ini, name.c_str(), user))
                return stop;
        }
        return 0;
    });
}

void ixor_ini_file_free(ixor_ini *ini) noexcept
{
    ixor::guarded([&] { delete ini; });
}
