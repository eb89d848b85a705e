// Eight processes change and withdraw their own registrations in one file
// at once; the file must end exactly as a serial replay of their calls.
#include <gtest/gtest.h>

#include <algorithm>

#include "agent_root.h"
#include "ixor_ipc.h"
#include "registration_model.h"
#include "reliability_scale.h"

namespace {

using ixor_test::Change;

const int owners = 8;

struct Step {
    bool remove;
    Change change;
};

// Call k of owner i, on one of its two products; a seventh of the calls
// withdraw, a third leave the uid out so an earlier one is removed.
Step owner_step(int i, int k)
{
    std::string code = "L" + std::to_string(i) + (k % 2 ? "a" : "b");
    std::optional<std::string> uid;
    if (k % 3 != 0) {
        uid = std::to_string(i * 100000 + k);
    }
    return Step{k % 7 == 0,
                Change{code, std::to_string(1 + (k * 13 + i) % 99),
                       "127." + std::to_string(i) + "." + std::to_string(k / 256 % 256) + "." +
                           std::to_string(k % 256),
                       std::to_string(1000 + k), uid}};
}

// owner I CALLS: makes its calls; exit status 0, or 100 + the failed call's
// number modulo 100.
IXOR_TEST_CHILD_MODE(owner)
{
    int i = std::stoi(args.at(0));
    int calls = std::stoi(args.at(1));
    for (int k = 1; k <= calls; k++) {
        Step step = owner_step(i, k);
        int rc = step.remove ? ixor_remove_product_config(step.change.code.c_str())
                             : step.change.call();
        if (rc != 0) {
            return 100 + k % 100;
        }
    }
    return 0;
}

std::vector<std::string> sorted_sections(const std::string &path)
{
    std::vector<std::string> names = ixor_test::section_names(path).value_or(
        std::vector<std::string>{"<does not load>"});
    std::sort(names.begin(), names.end());
    return names;
}

TEST(LostUpdates, EightOwnersEndAsTheirSerialReplay)
{
    const int calls = ixor_test::reliability_count(1000);
    ixor_test::AgentRoot agent;
    ixor_test::TempDir scratch;
    // W outranks every owner, so the file's lock is what the processes
    // contend for, not the proxy configuration.
    agent.register_product("W");
    ASSERT_EQ((Change{"W", "100", "127.0.0.1", "9", "1"}.call()), 0);
    for (int i = 0; i < owners; i++) {
        agent.register_product("L" + std::to_string(i) + "a");
        agent.register_product("L" + std::to_string(i) + "b");
    }
    const std::string start_text = ixor_test::read_file(agent.registrations());

    std::vector<ixor_test::Child> running;
    for (int i = 0; i < owners; i++) {
        running.push_back(ixor_test::Child::start("owner", {std::to_string(i),
                                                            std::to_string(calls)}));
    }
    for (int i = 0; i < owners; i++) {
        EXPECT_EQ(running[i].wait(), 0) << "owner " << i;
    }

    ixor_test::write_file(scratch.file("replay.eni"), start_text);
    ixor_ini *replay = ixor_ini_file_load(scratch.file("replay.eni").c_str());
    ASSERT_NE(replay, nullptr);
    for (int i = 0; i < owners; i++) {
        for (int k = 1; k <= calls; k++) {
            Step step = owner_step(i, k);
            if (step.remove) {
                ixor_ini_file_del(replay, step.change.code.c_str());
            } else {
                ixor_test::model_change(replay, step.change, true);
            }
        }
    }
    ASSERT_EQ(ixor_ini_file_save(replay, scratch.file("replay.eni").c_str(), 0), 0);
    ixor_ini *stored = ixor_ini_file_load(agent.registrations().c_str());
    ASSERT_NE(stored, nullptr);

    // Sections of different owners interleave in any order; their set and
    // every registration must match, and W keeps its place in front.
    auto names = sorted_sections(agent.registrations());
    EXPECT_EQ(names, sorted_sections(scratch.file("replay.eni")));
    EXPECT_EQ(ixor_test::section_names(agent.registrations())->front(), "W");
    for (const std::string &code : names) {
        EXPECT_EQ(ixor_test::registration_of(stored, code),
                  ixor_test::registration_of(replay, code))
            << code;
    }
    ixor_ini_file_free(stored);
    ixor_ini_file_free(replay);
}

}  // namespace
