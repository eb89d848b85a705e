// An agent root with two registrations that hostile calls must never touch:
// G, the winner (priority 100, first in the file, one address, so no probe
// ever runs), and B. Each attempt checks the file against the model.
#ifndef IXOR_RELIABILITY_HOSTILE_ROOT_H
#define IXOR_RELIABILITY_HOSTILE_ROOT_H

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>

#include "agent_root.h"
#include "registration_model.h"

namespace ixor_test {

class HostileRoot : public ::testing::Test {
protected:
    void SetUp() override;

    std::optional<std::string> stored_text() const;
    // Registers the code with the agent when it accepts it, calls the
    // change, and compares result and file with the model.
    void attempt_change(const Change &change);
    void attempt_remove(const std::string &code);
    // Lookups into exact-size heap buffers: never past the size, always
    // terminated, a prefix of what is stored.
    void lookup_bounded(const std::string &code);
    // Sections are the bystanders, the codes allowed here, and those the
    // file had when it was written by hand; never a new "HVK".
    void expect_only_sections(const std::set<std::string> &allowed);

    AgentRoot agent;
    TempDir scratch;
    std::set<std::string> hand_written;  // sections a hand-edited file brought

private:
    // Every section of the snapshot but `code` reads as it did.
    void expect_untouched(const std::map<std::string, std::string> &before,
                          const std::string &code);
};

}  // namespace ixor_test

#endif
