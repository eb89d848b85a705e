// The locked frame as every export sees it: the result and the line of
// each frame failure, and the order of platform calls on every path.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "fake_platform.h"
#include "frame_paths.h"
#include "ixor_ipc.h"

namespace {

using Calls = std::vector<std::string>;

struct ExportFrame {
    const char *name;
    std::function<int()> call;
    std::string file;
    bool create_form;
    int no_home, absent, no_lock, no_load;
    std::string home_line;
    std::string absent_line;
    Calls before_frame;  // the export's own checks ahead of the frame
};

void PrintTo(const ExportFrame &e, std::ostream *os) { *os << e.name; }

char g_addr[64];
int g_port;

std::vector<ExportFrame> exports()
{
    return {
        {"connectaddr", [] { return ixor_get_ipcproxy_connectaddr(g_addr, 64, &g_port); },
         paths::connect, false, -1, -1, -1, -1, "ixor_apphome.ini not exists.\n",
         "config not exists!\n", {}},
        {"localport", [] { return ixor_get_ipcproxy_localport(); }, paths::server_port, false, 0,
         0, 0, 0, "get_apphome_path_main failed\n", "config not exists!\n", {}},
        {"lookup", [] { return ixor_get_ipcproxy_addrport("P1", g_addr, 64, &g_port, nullptr); },
         paths::registrations, false, -1, -1, -1, -1, "ixor_apphome.ini not exists.\n",
         "config not exists!\n", {}},
        {"remove", [] { return ixor_remove_product_config("P1"); }, paths::registrations, false,
         -2, -1, -1, -1, "ixor_apphome.ini not exists.\n", "config_path is not exists!\n", {}},
        {"regenerate", [] { return regenerate_ipc_proxy_conf_restart(); }, paths::registrations,
         false, -1, -2, -2, -1, "ixor_apphome.ini not exists.\n",
         "regenerate ipc config failed, pre config not exists\n", {}},
        {"change", [] { return ixor_change_ipcproxy_addrport("P1", "50", "127.0.0.1", "80", nullptr); },
         paths::registrations, true, -1, 0, -1, -1, "ixor_apphome.ini not exists.\n", "",
         {"is_product_register P1"}},
    };
}

class Frame : public ::testing::TestWithParam<ExportFrame> {
protected:
    void SetUp() override
    {
        fake::reset();
        fake::platform().registered.insert("P1");
        fake::put_file(GetParam().file, "[connect]\nip=1.2.3.4\n");
    }
    Calls expected(Calls tail) const
    {
        Calls all = GetParam().before_frame;
        all.insert(all.end(), tail.begin(), tail.end());
        return all;
    }
    std::string lock() const { return GetParam().file + ".lock"; }
};

TEST_P(Frame, ApplicationHomeMissingTouchesNoFile)
{
    fake::platform().apphome_result = -1;
    EXPECT_EQ(GetParam().call(), GetParam().no_home);
    EXPECT_EQ(fake::tails(), Calls{GetParam().home_line});
    EXPECT_EQ(fake::calls(), expected({"get_apphome_path_main"}));
}

TEST_P(Frame, AbsentFileIsTestedBeforeAnyLock)
{
    fake::platform().files.clear();
    if (GetParam().create_form) {
        // The create form takes the lock and starts from an empty document.
        EXPECT_EQ(GetParam().call(), 0);
        EXPECT_EQ(fake::calls()[4], "ixor_path_is_exist_u " + GetParam().file);
        EXPECT_EQ(fake::calls()[5], "ixor_ini_file_load (null)");
        EXPECT_EQ(fake::platform().files.count(GetParam().file), 1u) << "the save created it";
        return;
    }
    EXPECT_EQ(GetParam().call(), GetParam().absent);
    EXPECT_EQ(fake::tails(), Calls{GetParam().absent_line});
    EXPECT_EQ(fake::calls(),
              expected({"get_apphome_path_main", "ixor_path_is_exist_u " + GetParam().file}));
}

TEST_P(Frame, FailedLockInitIsDestroyedNeverReleased)
{
    fake::platform().lock_init_fails = true;
    EXPECT_EQ(GetParam().call(), GetParam().no_lock);
    EXPECT_EQ(fake::tails(), Calls{"flock file failed " + lock() + "\n"});
    Calls tail = fake::calls();
    tail.erase(tail.begin(), tail.end() - 2);
    EXPECT_EQ(tail, (Calls{"ixor_flock_init " + lock(), "ixor_flock_destroy null"}));
}

TEST_P(Frame, FailedAcquireIsDestroyedOnceNeverReleased)
{
    fake::platform().lock_acquire_fails = true;
    EXPECT_EQ(GetParam().call(), GetParam().no_lock);
    EXPECT_EQ(fake::tails(), Calls{"flock file failed " + lock() + "\n"});
    Calls tail = fake::calls();
    tail.erase(tail.begin(), tail.end() - 3);
    EXPECT_EQ(tail,
              (Calls{"ixor_flock_init " + lock(), "ixor_flock_acquire", "ixor_flock_destroy"}));
}

TEST_P(Frame, FailedLoadStillReleasesAndDestroys)
{
    fake::platform().load_fails.insert(GetParam().file);
    EXPECT_EQ(GetParam().call(), GetParam().no_load);
    EXPECT_EQ(fake::tails(), Calls{"ixor_ini_file_load failed\n"});
    Calls path_test = {"ixor_path_is_exist_u " + GetParam().file};
    Calls frame = {"get_apphome_path_main"};
    if (!GetParam().create_form) {
        frame.push_back(path_test[0]);
    }
    Calls lock_and_load = {"ixor_flock_init " + lock(), "ixor_flock_acquire"};
    frame.insert(frame.end(), lock_and_load.begin(), lock_and_load.end());
    if (GetParam().create_form) {
        frame.push_back(path_test[0]);
    }
    Calls rest = {"ixor_ini_file_load " + GetParam().file, "ixor_ini_file_free null",
                  "ixor_flock_release", "ixor_flock_destroy"};
    frame.insert(frame.end(), rest.begin(), rest.end());
    EXPECT_EQ(fake::calls(), expected(frame));
    EXPECT_EQ(fake::platform().locks_held, 0);
}

INSTANTIATE_TEST_SUITE_P(Exports, Frame, ::testing::ValuesIn(exports()),
                         [](const auto &info) { return std::string(info.param.name); });

class RuntimeQueries : public ::testing::Test {
protected:
    void SetUp() override { fake::reset(); }
};

TEST_F(RuntimeQueries, ConnectAddressReadsIpAndPortUnderItsLock)
{
    fake::put_file(paths::connect, "[connect]\nip=127.1.2.3\nport=8443\n");
    char addr[32] = "untouched";
    int port = -1;
    EXPECT_EQ(ixor_get_ipcproxy_connectaddr(addr, sizeof addr, &port), 0);
    EXPECT_STREQ(addr, "127.1.2.3");
    EXPECT_EQ(port, 8443);
    EXPECT_EQ(fake::calls(),
              (Calls{"get_apphome_path_main", "ixor_path_is_exist_u " + paths::connect,
                     "ixor_flock_init " + paths::connect + ".lock", "ixor_flock_acquire",
                     "ixor_ini_file_load " + paths::connect, "ixor_ini_file_free",
                     "ixor_flock_release", "ixor_flock_destroy"}));
    EXPECT_TRUE(fake::tails().empty());
}

TEST_F(RuntimeQueries, ConnectAddressAbsentKeysLeaveBufferAndZeroPort)
{
    fake::put_file(paths::connect, "[other]\nip=127.0.0.13\n");
    char addr[16] = "keep";
    int port = 77;
    EXPECT_EQ(ixor_get_ipcproxy_connectaddr(addr, sizeof addr, &port), 0);
    EXPECT_STREQ(addr, "keep");
    EXPECT_EQ(port, 0);
}

TEST_F(RuntimeQueries, ConnectAddressCutToBufferAndOptionalOutputs)
{
    fake::put_file(paths::connect, "[connect]\nip=host-with-a-long-name.example\nport=1\n");
    char addr[8];
    std::memset(addr, 'x', sizeof addr);
    EXPECT_EQ(ixor_get_ipcproxy_connectaddr(addr, 5, nullptr), 0);
    EXPECT_STREQ(addr, "host");
    EXPECT_EQ(addr[5], 'x');
    EXPECT_EQ(ixor_get_ipcproxy_connectaddr(nullptr, 0, nullptr), 0);
    for (int size : {0, -1, -2147483647 - 1}) {
        char keep[4] = "abc";
        EXPECT_EQ(ixor_get_ipcproxy_connectaddr(keep, size, nullptr), 0);
        EXPECT_STREQ(keep, "abc") << size;
    }
    char one[1] = {'z'};
    EXPECT_EQ(ixor_get_ipcproxy_connectaddr(one, 1, nullptr), 0);
    EXPECT_EQ(one[0], '\0');
}

TEST_F(RuntimeQueries, FailuresLeaveOutputsUntouched)
{
    fake::put_file(paths::connect, "[connect]\nip=1.2.3.4\nport=9\n");
    fake::platform().load_fails.insert(paths::connect);
    char addr[16] = "keep";
    int port = 5;
    EXPECT_EQ(ixor_get_ipcproxy_connectaddr(addr, sizeof addr, &port), -1);
    EXPECT_STREQ(addr, "keep");
    EXPECT_EQ(port, 5);
}

TEST_F(RuntimeQueries, LocalPortIsReturnedAsStored)
{
    struct Case {
        const char *text;
        int port;
    };
    const Case cases[] = {{"[local]\nipc_port=17001\n", 17001},
                          {"[local]\nipc_port=0\n", 0},
                          {"[local]\nipc_port=-4\n", -4},
                          {"[local]\nipc_port=99999\n", 99999},
                          {"[local]\n", 0},
                          {"[remote]\nipc_port=5\n", 0}};
    for (const Case &c : cases) {
        fake::put_file(paths::server_port, c.text);
        EXPECT_EQ(ixor_get_ipcproxy_localport(), c.port) << c.text;
    }
    EXPECT_EQ(fake::platform().locks_held, 0);
}

}  // namespace
