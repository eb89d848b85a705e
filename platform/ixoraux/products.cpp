// Registration and installation state of the agent's products: one
// section per product code in a file below "<application home>/config".
#include "aux_internal.h"
#include "c_boundary.h"
#include "ixoraux.h"
#include "os.h"

#include <cstring>

namespace ixoraux {
namespace {

const char *const register_file = "product_register.eni";
const char *const installed_file = "product_installed.eni";
const char *const count_section = "count";

// Product codes are short names. Anything that could end a section header
// or a line, or that a reader would trim, is refused, so no code can turn
// into another section when the file is read back.
const size_t max_code_length = 256;

bool valid_code(const char *code)
{
    if (!code || !*code || std::strcmp(code, count_section) == 0)
        return false;
    const size_t length = std::strlen(code);
    if (length > max_code_length || code[0] == ' ' || code[length - 1] == ' ')
        return false;
    for (const char *c = code; *c; ++c) {
        const unsigned char u = static_cast<unsigned char>(*c);
        if (u < 0x20 || u == 0x7f || u == '[' || u == ']')
            return false;
    }
    return true;
}

struct SectionSearch {
    const char *name;
    bool found;
};

int match_section(ixor_ini *, const char *section, void *user)
{
    auto *search = static_cast<SectionSearch *>(user);
    if (std::strcmp(section, search->name) == 0)
        search->found = true;
    return 0;
}

bool has_section(ixor_ini *ini, const char *name)
{
    SectionSearch search{name, false};
    ixor_ini_file_foreach(ini, &search, match_section);
    return search.found;
}

int count_product(ixor_ini *, const char *section, void *user)
{
    if (std::strcmp(section, count_section) != 0)
        ++*static_cast<int *>(user);
    return 0;
}

int product_count(ixor_ini *ini)
{
    int count = 0;
    ixor_ini_file_foreach(ini, &count, count_product);
    return count;
}

// Saves replace the file whole, so a reader that cannot get the lock
// still sees a complete file; it reads anyway rather than answer "no".
int has_product(const char *file, const char *code)
{
    if (!valid_code(code))
        return 0;
    const auto path = config_path(file);
    if (!path || !ixor::os::path_exists(*path))
        return 0;
    const FileLock lock(*path);
    const IniPtr ini = load_ini(*path);
    return ini && has_section(ini.get(), code) ? 1 : 0;
}

// What a product question answers when it cannot tell (memory ran out):
// not 0, since callers leave alone what a present product depends on.
const int cannot_tell = -1;

// A missing file is an empty one; a file that exists but does not load is
// left alone rather than overwritten.
IniPtr load_or_empty(const std::string &path)
{
    return IniPtr(ixor_ini_file_load(ixor_path_is_exist_u(path.c_str()) ? path.c_str() : nullptr));
}

int change_registration(const char *code, bool registered)
{
    if (!valid_code(code))
        return -1;
    const auto path = config_path(register_file);
    if (!path)
        return -1;
    const FileLock lock(*path);
    if (!lock.held())
        return -1;
    const IniPtr ini = load_or_empty(*path);
    if (!ini)
        return -1;
    if (has_section(ini.get(), code) == registered)
        return 0;
    if (registered)
        ixor_ini_file_set(ini.get(), code, "registered", "1");
    else
        ixor_ini_file_del(ini.get(), code);
    ixor_ini_file_set_int(ini.get(), count_section, "num", product_count(ini.get()));
    return ixor_ini_file_save(ini.get(), path->c_str(), 1) == 0 ? 0 : -1;
}

}  // namespace
}  // namespace ixoraux

int is_product_register(const char *code) noexcept
{
    return ixor::guarded(ixoraux::cannot_tell,
                         [&] { return ixoraux::has_product(ixoraux::register_file, code); });
}

int is_product_installed(const char *code) noexcept
{
    return ixor::guarded(ixoraux::cannot_tell,
                         [&] { return ixoraux::has_product(ixoraux::installed_file, code); });
}

int add_product_register(const char *code) noexcept
{
    return ixor::guarded(-1, [&] { return ixoraux::change_registration(code, true); });
}

int remove_product_register(const char *code) noexcept
{
    return ixor::guarded(-1, [&] { return ixoraux::change_registration(code, false); });
}
