// Changing and removing registrations through the recording fake: the
// refusals and their lines, what is saved, and the hand-over to the apply
// step once the lock is given up.
#include <gtest/gtest.h>

#include <algorithm>

#include "fake_platform.h"
#include "frame_paths.h"
#include "ixor_ipc.h"

namespace {

using Calls = std::vector<std::string>;

const std::string kSave = "ixor_ini_file_save " + paths::registrations + " 1";

// The apply step begins, once the lock is released, by asking for HVK.
bool applied()
{
    const Calls &c = fake::calls();
    return std::find(std::find(c.begin(), c.end(), "ixor_flock_release"), c.end(),
                     "is_product_register HVK") != c.end();
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::reset();
        fake::platform().registered = {"P1", "P2"};
        fake::put_file(paths::startup, "[process]\nname=ipc_proxy\n");
    }
    int change(const char *priority, const char *addr, const char *port, const char *uid = nullptr,
               const char *code = "P1")
    {
        return ixor_change_ipcproxy_addrport(code, priority, addr, port, uid);
    }
};

// Refusals before any file or lock is touched.
TEST_F(Registration, ArgumentsRefusedBeforeTheFrame)
{
    int port = 3;
    EXPECT_EQ(ixor_change_ipcproxy_addrport(nullptr, "1", "a", "80", nullptr), -1);
    EXPECT_EQ(ixor_change_ipcproxy_addrport("P1", nullptr, "a", "80", "1"), -1);
    EXPECT_EQ(ixor_change_ipcproxy_addrport("P1", "1", nullptr, "80", "1"), -1);
    EXPECT_EQ(ixor_change_ipcproxy_addrport("P1", "1", "a", nullptr, "1"), -1);
    EXPECT_EQ(ixor_get_ipcproxy_addrport(nullptr, nullptr, 0, &port, nullptr), -1);
    EXPECT_EQ(ixor_get_ipcproxy_addrport("P1", nullptr, 0, nullptr, nullptr), -1);
    EXPECT_EQ(ixor_remove_product_config(nullptr), -1);
    EXPECT_TRUE(fake::calls().empty());
    EXPECT_EQ(ixor_change_ipcproxy_addrport("P9", "1", "a", "80", "1"), -1);
    EXPECT_EQ(fake::calls(), Calls{"is_product_register P9"});
    Calls lines(6, "register_OLQ_config failed: invalid parameter\n");
    lines.push_back("ixor_remove_product_config failed: invalid parameter\n");
    lines.push_back("register_OLQ_config failed: product not register install!\n");
    EXPECT_EQ(fake::tails(), lines);
    EXPECT_EQ(port, 3);
}

// Refusals once the file is loaded: the file stays as it was, nothing is
// saved, the lock is given back and no apply step runs.
TEST_F(Registration, RefusedAfterTheLock)
{
    const std::string bystander = "[P2]\npriority=5\naddr=127.0.0.1\nport=1\n";
    const std::string priority = "priority value should between 0 and 100\n";
    const std::string port = "invalid port argument\n";
    struct Case {
        const char *code, *priority, *port;
        std::string line;
    };
    const Case cases[] = {
        {"HVK", "10", "80", "HVK is not permited to use ixor ipc_proxy!\n"},
        {"P1", "101", "80", priority},         {"P1", "-1", "80", priority},
        {"P1", "4294967296", "80", priority},  {"P1", "-4294967296", "80", priority},
        {"P1", "10", "0", port},               {"P1", "10", "65535", port},
        {"P1", "10", "-80", port},             {"P1", "10", "abc", port},
        {"P1", "10", "", port},
    };
    for (const Case &c : cases) {
        SetUp();
        fake::platform().registered.insert("HVK");
        fake::put_file(paths::registrations, bystander);
        SCOPED_TRACE(std::string(c.code) + " " + c.priority + " " + c.port);
        EXPECT_EQ(change(c.priority, "127.0.0.1", c.port, nullptr, c.code), -1);
        EXPECT_EQ(fake::tails(), Calls{c.line});
        EXPECT_EQ(fake::file(paths::registrations), bystander);
        EXPECT_EQ(fake::count(kSave), 0u);
        EXPECT_EQ(fake::count("ixor_flock_release"), 1u);
        EXPECT_EQ(fake::platform().locks_held, 0);
        EXPECT_FALSE(applied());
    }
}

// The lowest and highest values are accepted and written in key order; a
// change without uid removes the stored one.
TEST_F(Registration, AcceptedChangeWritesItsSection)
{
    EXPECT_EQ(change("0", "127.0.0.1", "1", "7"), 0);
    EXPECT_EQ(fake::file(paths::registrations),
              "[P1]\npriority=0\naddr=127.0.0.1\nport=1\nuid=7\n");
    EXPECT_TRUE(applied());
    EXPECT_EQ(change("100", "127.0.0.1", "65534"), 0);
    EXPECT_EQ(fake::file(paths::registrations), "[P1]\npriority=100\naddr=127.0.0.1\nport=65534\n");
    EXPECT_TRUE(applied());
}

TEST_F(Registration, FailedSaveSkipsTheApplyStep)
{
    for (bool removal : {false, true}) {
        SetUp();
        fake::put_file(paths::registrations, "[P1]\npriority=1\naddr=a\nport=1\n");
        fake::platform().save_fails.insert(paths::registrations);
        EXPECT_EQ(removal ? ixor_remove_product_config("P1") : change("40", "127.0.0.1", "80"), -1);
        EXPECT_EQ(fake::tails(), Calls{"ixor_ini_file_save failed\n"});
        EXPECT_FALSE(applied());
        EXPECT_EQ(fake::platform().locks_held, 0);
        Calls tail(fake::calls().end() - 3, fake::calls().end());
        EXPECT_EQ(tail, (Calls{"ixor_ini_file_free", "ixor_flock_release", "ixor_flock_destroy"}));
    }
}

TEST_F(Registration, LockIsGoneWhenTheApplyStepStarts)
{
    ASSERT_EQ(change("40", "127.0.0.1", "80"), 0);
    const Calls &c = fake::calls();
    auto save = std::find(c.begin(), c.end(), kSave);
    ASSERT_NE(save, c.end());
    EXPECT_EQ(Calls(save + 1, save + 4),
              (Calls{"ixor_flock_release", "ixor_flock_destroy", "is_product_register HVK"}));
    EXPECT_EQ(Calls(c.end() - 3, c.end()),
              (Calls{"ixor_ini_file_free", "ixor_flock_release null", "ixor_flock_destroy null"}));
}

// Removal saves even without the section, and hands the removed priority
// to the apply step as its threshold.
TEST_F(Registration, RemovalSavesAndAppliesWithItsPriority)
{
    const std::string p2 = "[P2]\npriority=30\naddr=127.0.0.1\nport=9\n";
    fake::put_file(paths::registrations, "[P1]\npriority=60\naddr=a\nport=1\n" + p2);
    EXPECT_EQ(ixor_remove_product_config("P1"), 0);
    EXPECT_EQ(fake::file(paths::registrations), p2);
    EXPECT_EQ(fake::count(kSave), 1u);
    EXPECT_EQ(fake::count("install_ixor_process ipc_proxy"), 1u) << "30 is not above 60";

    SetUp();
    fake::put_file(paths::registrations, p2);
    EXPECT_EQ(ixor_remove_product_config("nobody"), 0);
    EXPECT_EQ(fake::count(kSave), 1u);
    EXPECT_EQ(fake::count("install_ixor_process ipc_proxy"), 0u) << "threshold 0 stops it";
}

}  // namespace
