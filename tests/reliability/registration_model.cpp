#include "registration_model.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "ixor_ipc.h"

namespace ixor_test {
namespace {

// strtol base 10 clamped to 32 bits, the conversion the exports use.
long long number_of(const std::string &text)
{
    return std::clamp<long long>(std::strtoll(text.c_str(), nullptr, 10), INT_MIN, INT_MAX);
}

bool same(const char *stored, const std::optional<std::string> &given)
{
    return given ? stored != nullptr && *given == stored : stored == nullptr;
}

std::optional<std::string> read_all(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ixor_ini *load_text(const std::optional<std::string> &text, const std::string &scratch)
{
    if (!text) {
        return ixor_ini_file_load(nullptr);
    }
    std::ofstream(scratch, std::ios::binary | std::ios::trunc) << *text;
    return ixor_ini_file_load(scratch.c_str());
}

// Serialises through a save; nullopt when the document cannot be saved.
std::optional<std::string> saved_text(ixor_ini *ini, const std::string &scratch)
{
    if (ixor_ini_file_save(ini, scratch.c_str(), 0) != 0) {
        return std::nullopt;
    }
    return read_all(scratch);
}

}  // namespace

int Change::call() const
{
    return ixor_change_ipcproxy_addrport(code.c_str(), priority.c_str(), addr.c_str(),
                                         port.c_str(), uid ? uid->c_str() : nullptr);
}

Outcome model_change(ixor_ini *ini, const Change &change, bool registered)
{
    const long long priority = number_of(change.priority);
    const long long port = number_of(change.port);
    if (!registered || change.code == "HVK" || priority < 0 || priority > 100 || port < 1 ||
        port > 65534) {
        return Outcome::refused;
    }
    const char *code = change.code.c_str();
    const bool same_values =
        ixor_ini_file_get_int(ini, code, "priority", 0) == priority &&
        same(ixor_ini_file_get(ini, code, "addr"), change.addr) &&
        same(ixor_ini_file_get(ini, code, "port"), change.port) &&
        same(ixor_ini_file_get(ini, code, "uid"), change.uid);
    ixor_ini_file_set_int(ini, code, "priority", static_cast<int>(priority));
    ixor_ini_file_set(ini, code, "addr", change.addr.c_str());
    ixor_ini_file_set(ini, code, "port", change.port.c_str());
    if (change.uid) {
        ixor_ini_file_set(ini, code, "uid", change.uid->c_str());
    } else {
        ixor_ini_file_unset(ini, code, "uid");
    }
    return same_values ? Outcome::unchanged : Outcome::changed;
}

std::optional<std::string> expected_after_change(const std::optional<std::string> &before,
                                                 const Change &change, bool registered,
                                                 const std::string &scratch)
{
    ixor_ini *ini = load_text(before, scratch);
    std::optional<std::string> after;
    if (ini != nullptr) {
        switch (model_change(ini, change, registered)) {
        case Outcome::refused:
            break;
        case Outcome::unchanged:
            after = before;
            break;
        case Outcome::changed:
            after = saved_text(ini, scratch);
            break;
        }
    }
    ixor_ini_file_free(ini);
    return after;
}

std::optional<std::string> expected_after_remove(const std::optional<std::string> &before,
                                                 const std::string &code,
                                                 const std::string &scratch)
{
    if (!before) {
        return std::nullopt;
    }
    ixor_ini *ini = load_text(before, scratch);
    std::optional<std::string> after;
    if (ini != nullptr) {
        ixor_ini_file_del(ini, code.c_str());
        after = saved_text(ini, scratch);
    }
    ixor_ini_file_free(ini);
    return after;
}

std::optional<std::vector<std::string>> section_names(const std::string &path)
{
    ixor_ini *ini = ixor_ini_file_load(path.c_str());
    if (ini == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    ixor_ini_file_foreach(ini, &names, [](ixor_ini *, const char *section, void *user) {
        static_cast<std::vector<std::string> *>(user)->push_back(section);
        return 0;
    });
    ixor_ini_file_free(ini);
    return names;
}

std::string registration_of(ixor_ini *ini, const std::string &code)
{
    std::string joined;
    for (const char *key : {"priority", "addr", "port", "uid"}) {
        const char *value = ixor_ini_file_get(ini, code.c_str(), key);
        joined += std::string(key) + "=" + (value ? value : "<absent>") + "\n";
    }
    return joined;
}

}  // namespace ixor_test
