// What the registration file must hold after a change or a removal,
// worked out with the base library's INI layer alone, so that the
// library's result can be compared with it byte for byte. Used by the
// reliability tests and by the fuzz target of the exports; no gtest here.
#ifndef IXOR_RELIABILITY_REGISTRATION_MODEL_H
#define IXOR_RELIABILITY_REGISTRATION_MODEL_H

#include <map>
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

// File text after a change or removal, given the text before (nullopt when
// the file is absent); nullopt when the call must fail and leave the file
// as it was. `registered` is the agent's answer for the code; `scratch` is
// a file path the model may overwrite.
std::optional<std::string> expected_after_change(const std::optional<std::string> &before,
                                                 const Change &change, bool registered,
                                                 const std::string &scratch);
std::optional<std::string> expected_after_remove(const std::optional<std::string> &before,
                                                 const std::string &code,
                                                 const std::string &scratch);

// The bytes of a file; nullopt when it cannot be opened.
std::optional<std::string> file_text(const std::string &path);

// Section names of an INI file in file order; nullopt when it does not load.
std::optional<std::vector<std::string>> section_names(const std::string &path);

// Every section's four registration keys, "<absent>" for a missing one,
// joined for comparison; empty when the file does not load.
std::map<std::string, std::string> registrations(const std::string &path);

}  // namespace ixor_test

#endif
