// The locked frame as every export sees it: the result and the line of
// each frame failure, the order of platform calls on every path, and the
// caller's outputs left alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "fake_platform.h"
#include "frame_paths.h"
#include "ixor_ipc.h"

namespace {

using Calls = std::vector<std::string>;

char g_addr[64];
int g_port;

struct ExportFrame {
    const char *name;
    int (*call)();
    std::string file;
    bool create_form;  // the change: its product check first, then the frame
    int no_home, absent, no_lock, no_load;
    std::string home_line, absent_line;
    int home_level, absent_level;
};

void PrintTo(const ExportFrame &e, std::ostream *os) { *os << e.name; }

const std::string kHome = "ixor_apphome.ini not exists.\n";
const std::string kAbsent = "config not exists!\n";
enum Level { kWarn = 1, kInfo = 2, kDebug = 3 };

const ExportFrame kExports[] = {
    {"connectaddr", [] { return ixor_get_ipcproxy_connectaddr(g_addr, 64, &g_port); },
     paths::connect, false, -1, -1, -1, -1, kHome, kAbsent, kInfo, kWarn},
    {"localport", [] { return ixor_get_ipcproxy_localport(); }, paths::server_port, false, 0, 0,
     0, 0, "get_apphome_path_main failed\n", kAbsent, kWarn, kWarn},
    {"lookup", [] { return ixor_get_ipcproxy_addrport("P1", g_addr, 64, &g_port, nullptr); },
     paths::registrations, false, -1, -1, -1, -1, kHome, kAbsent, kInfo, kWarn},
    {"remove", [] { return ixor_remove_product_config("P1"); }, paths::registrations, false, -2,
     -1, -1, -1, kHome, "config_path is not exists!\n", kInfo, kWarn},
    {"regenerate", [] { return regenerate_ipc_proxy_conf_restart(); }, paths::registrations,
     false, -1, -2, -2, -1, kHome, "regenerate ipc config failed, pre config not exists\n", kInfo,
     kDebug},
    {"change", [] { return ixor_change_ipcproxy_addrport("P1", "50", "127.0.0.1", "80", nullptr); },
     paths::registrations, true, -1, 0, -1, -1, kHome, "", kWarn, 0},
};

class Frame : public ::testing::TestWithParam<ExportFrame> {
protected:
    void SetUp() override
    {
        fake::reset();
        fake::platform().registered.insert("P1");
        fake::put_file(GetParam().file, "[connect]\nip=1.2.3.4\n");
        std::strcpy(g_addr, "keep");
        g_port = 5;
    }
    // The one line of a failure, at its level.
    void expect_failure(int result, const std::string &line, int level) const
    {
        EXPECT_EQ(result, GetParam().call());
        EXPECT_EQ(fake::tails(), Calls{line});
        ASSERT_EQ(fake::platform().lines.size(), 1u);
        EXPECT_EQ(fake::platform().lines[0].level, level);
        EXPECT_STREQ(g_addr, "keep");
        EXPECT_EQ(g_port, 5);
        EXPECT_EQ(fake::platform().locks_held, 0);
    }
    Calls expected(Calls frame) const
    {
        if (GetParam().create_form) {
            frame.insert(frame.begin(), "is_product_register P1");
        }
        return frame;
    }
    std::string exist() const { return "ixor_path_is_exist_u " + GetParam().file; }
    std::string lock() const { return GetParam().file + ".lock"; }
};

TEST_P(Frame, ApplicationHomeMissingTouchesNoFile)
{
    fake::platform().apphome_result = -1;
    expect_failure(GetParam().no_home, GetParam().home_line, GetParam().home_level);
    EXPECT_EQ(fake::calls(), expected({"get_apphome_path_main"}));
}

TEST_P(Frame, AbsentFileIsTestedBeforeAnyLock)
{
    fake::platform().files.clear();
    if (GetParam().create_form) {
        // The create form takes the lock and starts from an empty document.
        EXPECT_EQ(GetParam().call(), 0);
        EXPECT_EQ(fake::calls()[4], exist());
        EXPECT_EQ(fake::calls()[5], "ixor_ini_file_load (null)");
        EXPECT_NE(fake::file(GetParam().file), "<absent>") << "the save created it";
        return;
    }
    expect_failure(GetParam().absent, GetParam().absent_line, GetParam().absent_level);
    EXPECT_EQ(fake::calls(), expected({"get_apphome_path_main", exist()}));
}

// A lock that cannot be had is destroyed once and never released.
TEST_P(Frame, FailedLockIsDestroyedNeverReleased)
{
    const std::pair<bool *, Calls> cases[] = {
        {&fake::platform().lock_init_fails,
         {"ixor_flock_init " + lock(), "ixor_flock_destroy null"}},
        {&fake::platform().lock_acquire_fails,
         {"ixor_flock_init " + lock(), "ixor_flock_acquire", "ixor_flock_destroy"}},
    };
    for (const auto &[failure, tail] : cases) {
        SetUp();
        *failure = true;
        expect_failure(GetParam().no_lock, "flock file failed " + lock() + "\n", kWarn);
        Calls frame = {"get_apphome_path_main"};
        if (!GetParam().create_form) {
            frame.push_back(exist());
        }
        frame.insert(frame.end(), tail.begin(), tail.end());
        EXPECT_EQ(fake::calls(), expected(frame));
    }
}

TEST_P(Frame, FailedLoadStillReleasesAndDestroys)
{
    fake::platform().load_fails.insert(GetParam().file);
    expect_failure(GetParam().no_load, "ixor_ini_file_load failed\n", kWarn);
    Calls frame = {"get_apphome_path_main", exist(), "ixor_flock_init " + lock(),
                   "ixor_flock_acquire", "ixor_ini_file_load " + GetParam().file,
                   "ixor_ini_file_free null", "ixor_flock_release", "ixor_flock_destroy"};
    if (GetParam().create_form) {
        // The create form tests the path once it holds the lock.
        std::rotate(frame.begin() + 1, frame.begin() + 2, frame.begin() + 4);
    }
    EXPECT_EQ(fake::calls(), expected(frame));
}

INSTANTIATE_TEST_SUITE_P(Exports, Frame, ::testing::ValuesIn(kExports),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
