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

const std::string kP2 = "[P2]\npriority=5\naddr=127.0.0.1\nport=1\n";

// A refusal once the file is loaded: the file stays as it was, nothing is
// saved, the lock is given back and no apply step runs.
void expect_refused_after_the_lock(int result, const std::string &line)
{
    EXPECT_EQ(result, -1);
    EXPECT_EQ(fake::tails(), Lines{line});
    EXPECT_EQ(fake::file(paths::registrations), kP2);
    EXPECT_EQ(fake::count(kSave), 0u);
    EXPECT_EQ(fake::count("ixor_flock_release"), 1u);
    EXPECT_FALSE(fake::handed_over());
}

TEST(Registration, HvkIsRefusedOnceTheFileIsLoaded)
{
    fresh(kP2);
    expect_refused_after_the_lock(change("10", "80", nullptr, "HVK"),
                                  "HVK is not permited to use ixor ipc_proxy!\n");
}

// Every priority text against every port text: the priority is checked
// first, as an unsigned number up to 100, then the port's leading number
// from 1 to 65534; an accepted change stores the priority's value and the
// port's text.
TEST(Registration, PriorityIsCheckedBeforePort)
{
    struct Priority {
        const char *text;
        const char *stored;  // null: refused
    };
    struct Port {
        const char *text;
        bool accepted;
    };
    const Priority priorities[] = {
        {"-1", nullptr},          // above 100 as an unsigned number
        {"0", "0"},               // the lowest
        {"09", "9"},              // stored as its value
        {"100", "100"},           // the highest
        {"101", nullptr},         // above the highest
        {"4294967296", nullptr},  // beyond 32 bits, not cut to 0
    };
    const Port ports[] = {
        {"0", false},      // below the lowest
        {"1", true},       // the lowest
        {"01", true},      // stored as written
        {"65534", true},   // the highest
        {"65535", false},  // above the highest
        {"x", false},      // no leading number reads as 0
    };
    for (const Priority &priority : priorities) {
        for (const Port &port : ports) {
            SCOPED_TRACE(std::string(priority.text) + " " + port.text);
            fresh(kP2);
            const int result = change(priority.text, port.text);
            if (!priority.stored) {
                expect_refused_after_the_lock(result, "priority value should between 0 and 100\n");
            } else if (!port.accepted) {
                expect_refused_after_the_lock(result, "invalid port argument\n");
            } else {
                EXPECT_EQ(result, 0);
                EXPECT_EQ(fake::file(paths::registrations),
                          kP2 + "\n[P1]\npriority=" + priority.stored +
                              "\naddr=127.0.0.1\nport=" + port.text + "\n");
                EXPECT_TRUE(fake::handed_over());
            }
        }
    }
}

// The first change creates the file with its keys in order; a change
// without uid removes the stored one.
TEST(Registration, FirstChangeCreatesTheFileAndALaterOneDropsTheUid)
{
    fresh("");
    fake::platform().files.clear();
    EXPECT_EQ(change("0", "1", "7"), 0);
    EXPECT_EQ(fake::file(paths::registrations),
              "[P1]\npriority=0\naddr=127.0.0.1\nport=1\nuid=7\n");
    EXPECT_EQ(change("100", "65534"), 0);
    EXPECT_EQ(fake::file(paths::registrations), "[P1]\npriority=100\naddr=127.0.0.1\nport=65534\n");
}

// Only a change of some stored text or of the priority's value is saved;
// the apply step runs either way, once the lock is gone.
TEST(Registration, SavedOnlyWhenAStoredValueDiffers)
{
    const std::string uid7 = "[P1]\npriority=9\naddr=127.0.0.1\nport=1\nuid=7\n";
    const std::string no_uid = "[P1]\npriority=9\naddr=127.0.0.1\nport=1\n";
    struct Row {
        std::string stored;
        const char *priority;
        const char *port;
        const char *uid;
        bool saved;
    };
    const Row rows[] = {
        {uid7, "09", "1", "7", false},
        {uid7, "10", "1", "7", true},
        {uid7, "9", "01", "7", true},
        {uid7, "9", "1", "07", true},
        {uid7, "9", "1", nullptr, true},
        {no_uid, "9", "1", nullptr, false},
        {no_uid, "9", "1", "7", true},
        {"[P1]\npriority=9\nport=1\n", "9", "1", nullptr, true},
        {"[P1]\npriority=9\naddr=127.0.0.2\nport=1\n", "9", "1", nullptr, true},
        {"[P1]\npriority=9\naddr=127.0.0.1\n", "9", "1", nullptr, true},
        {"[P1]\naddr=127.0.0.1\nport=1\n", "0", "1", nullptr, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.stored + row.priority + " " + row.port + " " +
                     (row.uid ? row.uid : "null"));
        fresh(row.stored);
        EXPECT_EQ(change(row.priority, row.port, row.uid), 0);
        EXPECT_EQ(fake::count(kSave), row.saved ? 1u : 0u);
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
