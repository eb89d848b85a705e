#include "registration_model.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <functional>
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

enum class Outcome { refused, unchanged, changed };

// Applies a change to a loaded document as the export does, up to but not
// including the save.
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

// The text `before` gets from `edit` and a save; nullopt when the edit is
// refused or the save fails, `before` itself when nothing is to be saved.
std::optional<std::string> edited(const std::optional<std::string> &before,
                                  const std::string &scratch,
                                  const std::function<Outcome(ixor_ini *)> &edit)
{
    if (before) {
        std::ofstream(scratch, std::ios::binary | std::ios::trunc) << *before;
    }
    ixor_ini *ini = ixor_ini_file_load(before ? scratch.c_str() : nullptr);
    const Outcome outcome = ini ? edit(ini) : Outcome::refused;
    std::optional<std::string> after;
    if (outcome == Outcome::unchanged) {
        after = before;
    } else if (outcome == Outcome::changed && ixor_ini_file_save(ini, scratch.c_str(), 0) == 0) {
        after = file_text(scratch);
    }
    ixor_ini_file_free(ini);
    return after;
}

}  // namespace

int Change::call() const
{
    return ixor_change_ipcproxy_addrport(code.c_str(), priority.c_str(), addr.c_str(),
                                         port.c_str(), uid ? uid->c_str() : nullptr);
}

std::optional<std::string> expected_after_change(const std::optional<std::string> &before,
                                                 const Change &change, bool registered,
                                                 const std::string &scratch)
{
    return edited(before, scratch,
                  [&](ixor_ini *ini) { return model_change(ini, change, registered); });
}

std::optional<std::string> expected_after_remove(const std::optional<std::string> &before,
                                                 const std::string &code,
                                                 const std::string &scratch)
{
    // Removal needs the file; it saves even when the section was absent.
    return edited(before, scratch, [&](ixor_ini *ini) {
        ixor_ini_file_del(ini, code.c_str());
        return before ? Outcome::changed : Outcome::refused;
    });
}

std::optional<std::string> file_text(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

std::map<std::string, std::string> registrations(const std::string &path)
{
    std::map<std::string, std::string> all;
    ixor_ini *ini = ixor_ini_file_load(path.c_str());
    for (const std::string &name : section_names(path).value_or(std::vector<std::string>{})) {
        for (const char *key : {"priority", "addr", "port", "uid"}) {
            const char *value = ixor_ini_file_get(ini, name.c_str(), key);
            all[name] += std::string(key) + "=" + (value ? value : "<absent>") + "\n";
        }
    }
    ixor_ini_file_free(ini);
    return all;
}

}  // namespace ixor_test
