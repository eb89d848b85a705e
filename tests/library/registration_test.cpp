// Registering, changing, removing and reading back endpoints through the
// recording fake: arguments, refusals, what is saved and the hand-over to
// the apply step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "fake_platform.h"
#include "frame_paths.h"
#include "ini_document.h"
#include "ixor_ipc.h"
#include "listener.h"

namespace {

using Calls = std::vector<std::string>;

const std::string kSave = "ixor_ini_file_save " + paths::registrations + " 1";

std::string stored(const std::string &section, const std::string &key)
{
    auto doc = ixorbase::IniDocument::parse(fake::platform().files[paths::registrations]);
    const std::string *value = doc.get(section, key);
    return value ? *value : "<absent>";
}

size_t count_calls(const std::string &call)
{
    return size_t(std::count(fake::calls().begin(), fake::calls().end(), call));
}

bool applied() { return count_calls("is_product_register HVK") == 1; }

class Registration : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::reset();
        fake::platform().registered = {"P1", "P2"};
        fake::put_file(paths::startup, "[process]\nname=ipc_proxy\n");
    }
    int change(const char *priority, const char *addr, const char *port,
               const char *uid = nullptr, const char *code = "P1")
    {
        return ixor_change_ipcproxy_addrport(code, priority, addr, port, uid);
    }
};

TEST_F(Registration, NullArgumentsAreRefusedBeforeAnything)
{
    const char *a = "P1", *p = "10", *d = "127.0.0.1", *o = "80";
    EXPECT_EQ(ixor_change_ipcproxy_addrport(nullptr, p, d, o, nullptr), -1);
    EXPECT_EQ(ixor_change_ipcproxy_addrport(a, nullptr, d, o, nullptr), -1);
    EXPECT_EQ(ixor_change_ipcproxy_addrport(a, p, nullptr, o, nullptr), -1);
    EXPECT_EQ(ixor_change_ipcproxy_addrport(a, p, d, nullptr, nullptr), -1);
    EXPECT_EQ(fake::tails(), Calls(4, "register_OLQ_config failed: invalid parameter\n"));
    EXPECT_TRUE(fake::calls().empty());
}

TEST_F(Registration, ProductUnknownToTheAgentIsRefusedWithoutLock)
{
    EXPECT_EQ(change("10", "127.0.0.1", "80", nullptr, "P9"), -1);
    EXPECT_EQ(fake::tails(), Calls{"register_OLQ_config failed: product not register install!\n"});
    EXPECT_EQ(fake::calls(), Calls{"is_product_register P9"});
}

TEST_F(Registration, FirstChangeCreatesTheFileWithOneSection)
{
    // Two candidates on a port where nothing listens: both are probed.
    std::string port = std::to_string(ixor_test::closed_port());
    EXPECT_EQ(change("40", "127.0.0.1;localhost", port.c_str(), "7"), 0);
    auto load = std::find_if(fake::calls().begin(), fake::calls().end(), [](const std::string &c) {
        return c.rfind("ixor_ini_file_load", 0) == 0;
    });
    ASSERT_NE(load, fake::calls().end());
    EXPECT_EQ(*load, "ixor_ini_file_load (null)") << "an absent file starts empty";
    EXPECT_EQ(count_calls(kSave), 1u);
    EXPECT_EQ(fake::platform().files[paths::registrations],
              "[P1]\npriority=40\naddr=127.0.0.1;localhost\nport=" + port + "\nuid=7\n");
    EXPECT_TRUE(applied());
}

TEST_F(Registration, PriorityRangeByLeadingNumber)
{
    struct Case {
        const char *text;
        int result;
        const char *stored;
    };
    const Case cases[] = {{"0", 0, "0"},     {"100", 0, "100"},  {"abc", 0, "0"},
                          {"50x", 0, "50"},  {" +7", 0, "7"},    {"101", -1, "<absent>"},
                          {"-1", -1, "<absent>"}, {"4294967296", -1, "<absent>"},
                          {"-4294967296", -1, "<absent>"}};
    for (const Case &c : cases) {
        SetUp();
        EXPECT_EQ(change(c.text, "127.0.0.1", "80"), c.result) << c.text;
        EXPECT_EQ(stored("P1", "priority"), c.stored) << c.text;
        if (c.result != 0) {
            EXPECT_EQ(fake::tails(), Calls{"priority value should between 0 and 100\n"});
            EXPECT_EQ(fake::platform().locks_held, 0);
            EXPECT_FALSE(applied());
        }
    }
}

TEST_F(Registration, PortRangeByLeadingNumberStoredAsText)
{
    struct Case {
        const char *text;
        int result;
    };
    const Case cases[] = {{"1", 0},      {"65534", 0}, {" 80", 0},   {"80abc", 0}, {"0080", 0},
                          {"0", -1},     {"65535", -1}, {"-80", -1}, {"abc", -1},  {"", -1}};
    for (const Case &c : cases) {
        SetUp();
        EXPECT_EQ(change("10", "127.0.0.1", c.text), c.result) << c.text;
        EXPECT_EQ(stored("P1", "port"), c.result == 0 ? c.text : "<absent>") << c.text;
        if (c.result != 0) {
            EXPECT_EQ(fake::tails(), Calls{"invalid port argument\n"});
        }
    }
}

TEST_F(Registration, HvkCodeIsRefusedAfterTheLock)
{
    fake::platform().registered.insert("HVK");
    fake::put_file(paths::registrations, "[P2]\npriority=5\naddr=a\nport=1\n");
    std::string before = fake::platform().files[paths::registrations];
    EXPECT_EQ(change("10", "127.0.0.1", "80", nullptr, "HVK"), -1);
    EXPECT_EQ(fake::tails(), Calls{"HVK is not permited to use ixor ipc_proxy!\n"});
    EXPECT_EQ(fake::platform().files[paths::registrations], before);
    EXPECT_EQ(count_calls("ixor_flock_release"), 1u);
    EXPECT_EQ(count_calls(kSave), 0u);
}

TEST_F(Registration, SameValuesAgainSkipTheSaveButStillApply)
{
    ASSERT_EQ(change("40", "127.0.0.1", "80", "3"), 0);
    fake::platform().calls.clear();
    EXPECT_EQ(change("40", "127.0.0.1", "80", "3"), 0);
    EXPECT_EQ(count_calls(kSave), 0u);
    EXPECT_TRUE(applied());
}

TEST_F(Registration, EachDifferenceSaves)
{
    struct Case {
        const char *priority, *addr, *port, *uid;
    };
    const Case cases[] = {{"41", "127.0.0.1", "80", "3"},  {"40", "127.0.0.2", "80", "3"},
                          {"40", "127.0.0.1", "080", "3"}, {"40", "127.0.0.1", "80", "4"},
                          {"40", "127.0.0.1", "80", nullptr}};
    for (const Case &c : cases) {
        SetUp();
        ASSERT_EQ(change("40", "127.0.0.1", "80", "3"), 0);
        fake::platform().calls.clear();
        EXPECT_EQ(change(c.priority, c.addr, c.port, c.uid), 0);
        EXPECT_EQ(count_calls(kSave), 1u) << c.priority << c.addr << c.port;
    }
    EXPECT_EQ(stored("P1", "uid"), "<absent>") << "a change without uid removes it";
}

TEST_F(Registration, FailedSaveSkipsApplyAndReleasesLock)
{
    fake::platform().save_fails.insert(paths::registrations);
    EXPECT_EQ(change("40", "127.0.0.1", "80"), -1);
    EXPECT_EQ(fake::tails(), Calls{"ixor_ini_file_save failed\n"});
    EXPECT_FALSE(applied());
    EXPECT_EQ(fake::platform().locks_held, 0);
    Calls tail(fake::calls().end() - 3, fake::calls().end());
    EXPECT_EQ(tail, (Calls{"ixor_ini_file_free", "ixor_flock_release", "ixor_flock_destroy"}));
}

TEST_F(Registration, LockIsGoneWhenTheApplyStepStarts)
{
    ASSERT_EQ(change("40", "127.0.0.1", "80"), 0);
    const Calls &c = fake::calls();
    auto save = std::find(c.begin(), c.end(), kSave);
    ASSERT_NE(save, c.end());
    EXPECT_EQ(*(save + 1), "ixor_flock_release");
    EXPECT_EQ(*(save + 2), "ixor_flock_destroy");
    EXPECT_EQ(*(save + 3), "is_product_register HVK");
    Calls tail(c.end() - 3, c.end());
    EXPECT_EQ(tail, (Calls{"ixor_ini_file_free", "ixor_flock_release null",
                           "ixor_flock_destroy null"}));
}

TEST_F(Registration, RemovalDeletesSavesAndAppliesWithItsPriority)
{
    fake::put_file(paths::registrations,
                   "[P1]\npriority=60\naddr=a\nport=1\n[P2]\npriority=30\naddr=127.0.0.1\nport=9\n");
    EXPECT_EQ(ixor_remove_product_config("P1"), 0);
    EXPECT_EQ(stored("P1", "addr"), "<absent>");
    EXPECT_EQ(stored("P2", "addr"), "127.0.0.1");
    EXPECT_EQ(count_calls("ixor_ini_file_del P1"), 1u);
    EXPECT_EQ(count_calls(kSave), 1u);
    EXPECT_TRUE(applied());
    EXPECT_EQ(count_calls("install_ixor_process ipc_proxy"), 1u) << "30 is not above 60";
}

TEST_F(Registration, RemovalOfAbsentSectionSavesAnyway)
{
    fake::put_file(paths::registrations, "[P2]\npriority=30\naddr=127.0.0.1\nport=9\n");
    EXPECT_EQ(ixor_remove_product_config("nobody"), 0);
    EXPECT_EQ(count_calls(kSave), 1u);
    EXPECT_EQ(count_calls("install_ixor_process ipc_proxy"), 0u) << "threshold 0 stops it";
}

TEST_F(Registration, RemovalNullAndFailedSave)
{
    EXPECT_EQ(ixor_remove_product_config(nullptr), -1);
    EXPECT_EQ(fake::tails(), Calls{"ixor_remove_product_config failed: invalid parameter\n"});
    fake::reset();
    fake::put_file(paths::registrations, "[P1]\npriority=1\n");
    fake::platform().save_fails.insert(paths::registrations);
    EXPECT_EQ(ixor_remove_product_config("P1"), -1);
    EXPECT_EQ(fake::tails(), Calls{"ixor_ini_file_save failed\n"});
    EXPECT_FALSE(applied());
    EXPECT_EQ(fake::platform().locks_held, 0);
}

class Lookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::reset();
        fake::put_file(paths::registrations,
                       "[P1]\npriority=5\naddr=127.0.0.11;127.0.0.12\nport=8080\nuid=42\n[P2]\n");
    }
};

TEST_F(Lookup, ReadsAddressPortAndUid)
{
    char addr[64] = "";
    int port = 0, uid = 0;
    EXPECT_EQ(ixor_get_ipcproxy_addrport("P1", addr, sizeof addr, &port, &uid), 0);
    EXPECT_STREQ(addr, "127.0.0.11;127.0.0.12");
    EXPECT_EQ(port, 8080);
    EXPECT_EQ(uid, 42);
    EXPECT_TRUE(fake::tails().empty());
}

TEST_F(Lookup, AbsentSectionOrKeysGiveZeroAndLeaveTheBuffer)
{
    for (const char *code : {"P2", "P3"}) {
        char addr[8] = "";
        int port = 9, uid = 9;
        EXPECT_EQ(ixor_get_ipcproxy_addrport(code, addr, sizeof addr, &port, &uid), 0);
        EXPECT_STREQ(addr, "");
        EXPECT_EQ(port, 0);
        EXPECT_EQ(uid, 0);
    }
}

TEST_F(Lookup, AddressCutToTheCallersSize)
{
    char addr[8];
    std::memset(addr, 'x', sizeof addr);
    EXPECT_EQ(ixor_get_ipcproxy_addrport("P1", addr, 4, nullptr, nullptr), 0);
    EXPECT_STREQ(addr, "127");
    EXPECT_EQ(addr[4], 'x');
}

TEST_F(Lookup, OnlyThePortRequested)
{
    int port = 0;
    EXPECT_EQ(ixor_get_ipcproxy_addrport("P1", nullptr, -5, &port, nullptr), 0);
    EXPECT_EQ(port, 8080);
}

TEST_F(Lookup, InvalidArgumentsTouchNothing)
{
    int port = 3;
    EXPECT_EQ(ixor_get_ipcproxy_addrport("P1", nullptr, 0, nullptr, nullptr), -1);
    EXPECT_EQ(ixor_get_ipcproxy_addrport(nullptr, nullptr, 0, &port, nullptr), -1);
    EXPECT_EQ(port, 3);
    EXPECT_EQ(fake::tails(), Calls(2, "register_OLQ_config failed: invalid parameter\n"));
    EXPECT_TRUE(fake::calls().empty());
}

}  // namespace
