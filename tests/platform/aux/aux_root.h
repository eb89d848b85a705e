// An agent root in a temporary directory, announced through IXOR_ROOT_DIR,
// and reading files back through the base library.
#ifndef IXORAUX_TEST_AUX_ROOT_H
#define IXORAUX_TEST_AUX_ROOT_H

#include "../base/base_test_util.h"
#include "ixoraux.h"

namespace aux_test {

using namespace base_test;
using ixor_test::file_exists;

// Section names in file order; none when the file does not load.
inline std::vector<std::string> sections_in(const std::string &path)
{
    return sections_of(load(path).get());
}

inline std::string value_in(const std::string &path, const char *section, const char *key)
{
    return get_or(load(path).get(), section, key);
}

class AuxRoot {
public:
    // Writes "ixor_apphome.ini" naming the given home, relative to the root.
    explicit AuxRoot(const std::string &apphome = "home")
        : env_("IXOR_ROOT_DIR", dir_.path().c_str()), apphome_(apphome)
    {
        write_file(dir_.file("ixor_apphome.ini"), "[apphome]\npath=" + apphome + "\n");
    }
    const std::string &root() const { return dir_.path(); }
    std::string home() const { return root() + "/" + apphome_; }
    std::string config(const std::string &rel) const { return home() + "/config/" + rel; }

private:
    TempDir dir_;  // first, so that the variable can name it
    ixor_test::ScopedEnv env_;
    std::string apphome_;
};

}  // namespace aux_test

#endif
