// An agent root in a temporary directory, announced through IXOR_ROOT_DIR,
// and small INI helpers that go through the base library.
#ifndef IXORAUX_TEST_AUX_ROOT_H
#define IXORAUX_TEST_AUX_ROOT_H

#include "ixorbase_handles.h"
#include "ixor_test_support.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace aux_test {

using Ini = ixorbase::IniPtr;

// section -> key -> value
using IniContent = std::map<std::string, std::map<std::string, std::string>>;

Ini make_ini(const IniContent &content);
void save_ini(const std::string &path, const IniContent &content);
std::vector<std::string> sections_of(const std::string &path);  // file order
std::string value_of(const std::string &path, const char *section, const char *key);

class AuxRoot {
public:
    // Writes "ixor_apphome.ini" naming the given home, relative to the root.
    explicit AuxRoot(const char *apphome = "home");
    const std::string &root() const { return dir_.path(); }
    std::string home() const { return root() + "/" + apphome_; }
    std::string config(const std::string &rel) const { return home() + "/config/" + rel; }

private:
    ixor_test::TempDir dir_;
    ixor_test::ScopedEnv env_;
    std::string apphome_;
};

}  // namespace aux_test

#endif
