// What the registration file must hold after a change or a removal,
// worked out with the base library's INI layer alone, so that the
// library's result can be compared with it byte for byte. Used by the
// reliability tests and by the fuzz target of the exports; no gtest here.
#ifndef IXOR_RELIABILITY_REGISTRATION_MODEL_H
#define IXOR_RELIABILITY_REGISTRATION_MODEL_H

#include <optional>
#include <string>
#include <vector>

#include "ixorbase.h"

namespace ixor_test {

// The arguments of one change call; a uid of nullopt is passed as null.
struct Change {
    std::string code;
    std::string priority;
    std::string addr;
    std::string port;
    std::optional<std::string> uid;

    int call() const;  // the real export
};

enum class Outcome { refused, unchanged, changed };

// Applies a change to a loaded document as the export does, up to but not
// including the save. `registered` is the agent's answer for the code.
Outcome model_change(ixor_ini *ini, const Change &change, bool registered);

// File text after a change or removal, given the text before (nullopt when
// the file is absent); nullopt when the call must fail and leave the file
// as it was. `scratch` is a file path the model may overwrite.
std::optional<std::string> expected_after_change(const std::optional<std::string> &before,
                                                 const Change &change, bool registered,
                                                 const std::string &scratch);
std::optional<std::string> expected_after_remove(const std::optional<std::string> &before,
                                                 const std::string &code,
                                                 const std::string &scratch);

// Section names of an INI text in file order; nullopt when it does not load.
std::optional<std::vector<std::string>> section_names(const std::string &path);

// The four registration keys of one section, "<absent>" for a missing one,
// joined for comparison.
std::string registration_of(ixor_ini *ini, const std::string &code);

}  // namespace ixor_test

#endif
