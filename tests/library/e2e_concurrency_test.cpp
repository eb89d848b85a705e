// Several processes change and remove their own registrations at once; the
// file ends with exactly the survivors and one regeneration configures the
// proxy for their winner.
#include <gtest/gtest.h>

#include <string>

#include "agent_root.h"
#include "ixor_ipc.h"

namespace {

using ixor_test::ini_value;

// churn CODE ROUNDS KEEP: registers and withdraws CODE ROUNDS times; with
// KEEP 1 it ends registered with priority = its last round % 90 + 1.
IXOR_TEST_CHILD_MODE(churn)
{
    const char *code = args.at(0).c_str();
    int rounds = std::stoi(args.at(1));
    for (int i = 1; i <= rounds; i++) {
        std::string priority = std::to_string(i % 90 + 1);
        std::string port = std::to_string(2000 + i);
        if (ixor_change_ipcproxy_addrport(code, priority.c_str(), code, port.c_str(),
                                          nullptr) != 0) {
            return 10;
        }
        if ((i < rounds || args.at(2) != "1") && ixor_remove_product_config(code) != 0) {
            return 11;
        }
    }
    return 0;
}

TEST(Concurrency, ProcessesChurnTheirOwnRegistrations)
{
    ixor_test::AgentRoot agent;
    const int rounds = ixor_test::process_starts_are_costly() ? 10 : 40;
    std::vector<ixor_test::Child> running;
    for (int c = 0; c < 4; c++) {
        std::string code = "C" + std::to_string(c);
        agent.register_product(code);
        running.push_back(ixor_test::Child::start(
            "churn", {code, std::to_string(rounds + c), c % 2 == 0 ? "1" : "0"}));
    }
    for (ixor_test::Child &child : running) {
        EXPECT_EQ(child.wait(), 0);
    }
    for (int c = 0; c < 4; c++) {
        std::string code = "C" + std::to_string(c);
        std::string expected = c % 2 == 0 ? std::to_string((rounds + c) % 90 + 1) : "<absent>";
        EXPECT_EQ(ini_value(agent.registrations(), code.c_str(), "priority"), expected) << code;
    }
    ASSERT_EQ(regenerate_ipc_proxy_conf_restart(), 0);
    // C2 ends with priority rounds+3, C0 with rounds+1: C2 wins.
    EXPECT_EQ(ini_value(agent.proxy_conf(), "config", "addr"), "C2");
    EXPECT_EQ(ini_value(agent.proxy_conf(), "config", "port"), std::to_string(2000 + rounds + 2));
    EXPECT_TRUE(ixor_test::file_exists(agent.process_record()));
}

}  // namespace
