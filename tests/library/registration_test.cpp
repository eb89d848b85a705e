// Changing and removing registrations through the recording fake: refusals,
// what is saved, and the hand-over to the apply step without the lock.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "ixor_ipc.h"

namespace {

using fake::Lines;

const std::string kSave = "ixor_ini_file_save " + paths::registrations + " 1";
const Lines &calls() { return fake::platform().calls; }

// Registered products and their registrations; with "HVK" registered the
// apply step ends at once.
void fresh(const std::string &registrations, std::set<std::string> products = {"P1", "HVK"})
{
    fake::reset();
    fake::platform().registered = products;
    fake::platform().files[paths::registrations] = registrations;
    fake::platform().files[paths::startup] = "[process]\nname=ipc_proxy\n";
}

int change(const char *priority, const char *port, const char *uid = nullptr,
           const char *code = "P1")
{
    return ixor_change_ipcproxy_addrport(code, priority, "127.0.0.1", port, uid);
}

// Refusals before any file or lock is touched.
TEST(Registration, ArgumentsRefusedBeforeTheFrame)
{
    fresh("");
    int port = 3;
    EXPECT_EQ(ixor_change_ipcproxy_addrport(nullptr, "1", "a", "80", nullptr), -1);
    EXPECT_EQ(ixor_change_ipcproxy_addrport("P1", nullptr, "a", "80", "1"), -1);
    EXPECT_EQ(ixor_change_ipcproxy_addrport("P1", "1", nullptr, "80", "1"), -1);
    EXPECT_EQ(ixor_change_ipcproxy_addrport("P1", "1", "a", nullptr, "1"), -1);
    EXPECT_EQ(ixor_get_ipcproxy_addrport(nullptr, nullptr, 0, &port, nullptr), -1);
    EXPECT_EQ(ixor_get_ipcproxy_addrport("P1", nullptr, 0, nullptr, nullptr), -1);
    EXPECT_EQ(ixor_remove_product_config(nullptr), -1);
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(change("1", "80", "1", "P9"), -1);
    EXPECT_EQ(calls(), Lines{"is_product_register P9"});
    Lines lines(6, "register_OLQ_config failed: invalid parameter\n");
    lines.push_back("ixor_remove_product_config failed: invalid parameter\n");
    lines.push_back("register_OLQ_config failed: product not register install!\n");
    EXPECT_EQ(fake::tails(), lines);
    EXPECT_EQ(port, 3);
}

// Refusals once the file is loaded: the file stays as it was, nothing is
// saved, the lock is given back and no apply step runs.
TEST(Registration, RefusedAfterTheLock)
{
    const std::string p2 = "[P2]\npriority=5\naddr=127.0.0.1\nport=1\n";
    const std::string priority = "priority value should between 0 and 100\n";
    const std::string port = "invalid port argument\n";
    const std::tuple<const char *, const char *, const char *, std::string> cases[] = {
        {"HVK", "10", "80", "HVK is not permited to use ixor ipc_proxy!\n"},
        {"P1", "101", "80", priority},
        {"P1", "-1", "80", priority},
        {"P1", "4294967296", "80", priority},
        {"P1", "10", "0", port},
        {"P1", "10", "65535", port},
    };
    for (const auto &[code, priority_text, port_text, line] : cases) {
        fresh(p2);
        SCOPED_TRACE(std::string(code) + " " + priority_text + " " + port_text);
        EXPECT_EQ(change(priority_text, port_text, nullptr, code), -1);
        EXPECT_EQ(fake::tails(), Lines{line});
        EXPECT_EQ(fake::file(paths::registrations), p2);
        EXPECT_EQ(fake::count(kSave), 0u);
        EXPECT_EQ(fake::count("ixor_flock_release"), 1u);
        EXPECT_FALSE(fake::handed_over());
    }
}

// The lowest and highest values are accepted and written in key order, and
// a change without uid removes the stored one. Only a change of some
// stored text or of the priority's value is saved; the apply step runs
// either way, once the lock is gone.
TEST(Registration, AcceptedChangeIsSavedOnlyWhenAValueDiffers)
{
    fresh("");
    fake::platform().files.clear();
    EXPECT_EQ(change("0", "1", "7"), 0);
    EXPECT_EQ(fake::file(paths::registrations),
              "[P1]\npriority=0\naddr=127.0.0.1\nport=1\nuid=7\n");
    EXPECT_EQ(change("100", "65534"), 0);
    EXPECT_EQ(fake::file(paths::registrations), "[P1]\npriority=100\naddr=127.0.0.1\nport=65534\n");
    const std::string uid7 = "[P1]\npriority=9\naddr=127.0.0.1\nport=1\nuid=7\n";
    const std::string no_uid = "[P1]\npriority=9\naddr=127.0.0.1\nport=1\n";
    // clang-format off
    const std::tuple<std::string, const char *, const char *, const char *, bool> cases[] = {
        {uid7, "09", "1", "7", false}, {uid7, "10", "1", "7", true}, {uid7, "9", "01", "7", true},
        {uid7, "9", "1", "07", true}, {uid7, "9", "1", nullptr, true},
        {no_uid, "9", "1", nullptr, false}, {no_uid, "9", "1", "7", true},
        {"[P1]\npriority=9\nport=1\n", "9", "1", nullptr, true},
        {"[P1]\npriority=9\naddr=127.0.0.2\nport=1\n", "9", "1", nullptr, true},
        {"[P1]\npriority=9\naddr=127.0.0.1\n", "9", "1", nullptr, true},
        {"[P1]\naddr=127.0.0.1\nport=1\n", "0", "1", nullptr, false},
    };
    // clang-format on
    for (const auto &[stored, priority, port, uid, saved] : cases) {
        fresh(stored);
        SCOPED_TRACE(stored + priority + " " + port + " " + (uid ? uid : "null"));
        EXPECT_EQ(change(priority, port, uid), 0);
        EXPECT_EQ(fake::count(kSave), saved ? 1u : 0u);
        EXPECT_TRUE(fake::handed_over());
    }
}

// Removal saves even without the section, and hands the removed priority
// (0 when none) to the apply step as its threshold.
TEST(Registration, RemovalSavesAndAppliesWithItsPriority)
{
    const std::string p2 = "[P2]\npriority=1\naddr=127.0.0.1\nport=9\n";
    fresh("[P1]\npriority=60\naddr=a\nport=1\n" + p2, {});
    EXPECT_EQ(ixor_remove_product_config("P1"), 0);
    EXPECT_EQ(fake::file(paths::registrations), p2);
    EXPECT_EQ(fake::count(kSave), 1u);
    EXPECT_EQ(fake::count("install_ixor_process ipc_proxy"), 1u) << "1 is not above 60";
    EXPECT_TRUE(fake::handed_over());
    fresh(p2, {});
    EXPECT_EQ(ixor_remove_product_config("nobody"), 0);
    EXPECT_EQ(fake::count(kSave), 1u);
    EXPECT_EQ(fake::count("install_ixor_process ipc_proxy"), 0u) << "threshold 0 stops it";
}

}  // namespace
