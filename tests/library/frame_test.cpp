// The locked frame as every export sees it: the result, line and calls of
// each failure, and the caller's outputs left alone.
#include <gtest/gtest.h>

#include <cstring>

#include "fake_platform.h"
#include "ixor_ipc.h"

namespace {

using fake::Lines;

char g_addr[64];
int g_port;

struct ExportFrame {
    const char *name;
    int (*call)();
    std::string file;
    bool create_form;  // the change: its product check first, then the frame
    bool saves;
    int no_home, absent, no_lock, no_load;
    std::string home_line;
    std::string absent_line;
    int home_level;
    int absent_level;
};

void PrintTo(const ExportFrame &e, std::ostream *os) { *os << e.name; }

const std::string kHome = "ixor_apphome.ini not exists.\n";
const std::string kAbsent = "config not exists!\n";
const std::string kNoRegistrations = "regenerate ipc config failed, pre config not exists\n";
enum Level { kError, kWarn, kInfo, kDebug };

const ExportFrame kExports[] = {
    {"connectaddr", [] { return ixor_get_ipcproxy_connectaddr(g_addr, sizeof g_addr, &g_port); },
     paths::connect, false, false, -1, -1, -1, -1, kHome, kAbsent, kInfo, kWarn},
    {"localport", [] { return ixor_get_ipcproxy_localport(); }, paths::server_port, false, false, 0,
     0, 0, 0, "get_apphome_path_main failed\n", kAbsent, kWarn, kWarn},
    {"lookup",
     [] { return ixor_get_ipcproxy_addrport("P1", g_addr, sizeof g_addr, &g_port, nullptr); },
     paths::registrations, false, false, -1, -1, -1, -1, kHome, kAbsent, kInfo, kWarn},
    {"remove", [] { return ixor_remove_product_config("P1"); }, paths::registrations, false, true,
     -2, -1, -1, -1, kHome, "config_path is not exists!\n", kInfo, kWarn},
    {"regenerate", [] { return regenerate_ipc_proxy_conf_restart(); }, paths::registrations, false,
     false, -1, -2, -2, -1, kHome, kNoRegistrations, kInfo, kDebug},
    {"change", [] { return ixor_change_ipcproxy_addrport("P1", "50", "127.0.0.1", "80", nullptr); },
     paths::registrations, true, true, -1, 0, -1, -1, kHome, "", kWarn, 0},
};

enum Failure { kNoHome, kNoFile, kNoInit, kNoAcquire, kNoLoad, kNoSave };

class Frame : public ::testing::TestWithParam<ExportFrame> {};

// Each frame failure in turn: the export's result, its one line at its
// level, the caller's outputs left alone, and every call made. The read form
// tests the path before it takes the lock, the create form once it holds it;
// a lock that cannot be had is destroyed, not released.
TEST_P(Frame, FailuresGiveEverythingBack)
{
    const ExportFrame &e = GetParam();
    const std::string exist = "ixor_path_is_exist_u " + e.file;
    const std::string lock = e.file + ".lock";
    const std::string lock_line = "flock file failed " + lock + "\n";
    const std::string init = "ixor_flock_init " + lock;
    const std::string load = "ixor_ini_file_load " + e.file;
    const Lines released = {"ixor_flock_release", "ixor_flock_destroy"};
    struct Row {
        Failure failure;
        int result;
        std::string line;
        int level;
        Lines calls;  // after the home and the path checks
    };
    const Row rows[] = {
        {kNoHome, e.no_home, e.home_line, e.home_level, {}},
        {kNoFile, e.absent, e.absent_line, e.absent_level, {}},
        {kNoInit, e.no_lock, lock_line, kWarn, {init, "ixor_flock_destroy null"}},
        {kNoAcquire, e.no_lock, lock_line, kWarn, {init, "ixor_flock_acquire", released[1]}},
        {kNoLoad,
         e.no_load,
         "ixor_ini_file_load failed\n",
         kWarn,
         {init, "ixor_flock_acquire", load, "ixor_ini_file_free null", released[0], released[1]}},
        {kNoSave,
         -1,
         "ixor_ini_file_save failed\n",
         kError,
         {init, "ixor_flock_acquire", load, "ixor_ini_file_save " + e.file + " 1",
          "ixor_ini_file_free", released[0], released[1]}},
    };
    for (Row row : rows) {
        const Failure failure = row.failure;
        Lines &calls = row.calls;
        if ((failure == kNoFile && e.create_form) || (failure == kNoSave && !e.saves)) {
            continue;  // the create form starts from an empty document; few exports save
        }
        SCOPED_TRACE(failure);
        fake::reset();
        fake::Platform &p = fake::platform();
        p.registered = {"P1"};
        if (failure != kNoFile) {
            p.files[e.file] = "[connect]\nip=1.2.3.4\n";
        }
        p.load_fails = {failure == kNoLoad ? e.file : ""};
        p.save_fails = {failure == kNoSave ? e.file : ""};
        p.apphome_result = failure == kNoHome ? -1 : 0;
        p.lock_init_fails = failure == kNoInit;
        p.lock_acquire_fails = failure == kNoAcquire;
        std::strcpy(g_addr, "keep");
        g_port = 5;
        EXPECT_EQ(e.call(), row.result);
        ASSERT_EQ(fake::tails(), Lines{row.line});
        EXPECT_EQ(p.lines[0].level, row.level);
        EXPECT_EQ(g_addr + std::to_string(g_port), "keep5");
        if (failure >= kNoLoad && e.create_form) {
            calls.insert(calls.begin() + 2, exist);
        } else if (failure != kNoHome && !e.create_form) {
            calls.insert(calls.begin(), exist);
        }
        calls.insert(calls.begin(), "get_apphome_path_main");
        if (e.create_form) {
            calls.insert(calls.begin(), "is_product_register P1");
        }
        EXPECT_EQ(p.calls, calls);
    }
}

INSTANTIATE_TEST_SUITE_P(Exports, Frame, ::testing::ValuesIn(kExports),
                         [](const auto &info) { return std::string(info.param.name); });

// Outputs are written only where asked for; an absent key leaves text alone
// and gives 0 for a number.
TEST(Outputs, OnlyWhatIsAskedForAndFound)
{
    fake::reset();
    auto &files = fake::platform().files;
    files = {{paths::connect, "[connect]\nip=127.0.0.9\nport=7443\n"},
             {paths::server_port, "[local]\nipc_port=17001\n"},
             {paths::registrations, "[P1]\nport=8080\nuid=42\n[P2]\n"}};
    char addr[16] = "keep";
    int port = 0;
    int uid = 0;
    // A query's result, then all outputs.
    auto after = [&](int result) {
        return std::to_string(result) + " " + addr + " " + std::to_string(port) + " " +
               std::to_string(uid);
    };
    EXPECT_EQ(after(ixor_get_ipcproxy_connectaddr(nullptr, 0, &port)), "0 keep 7443 0");
    EXPECT_EQ(after(ixor_get_ipcproxy_addrport("P1", nullptr, 0, nullptr, &uid)), "0 keep 7443 42");
    EXPECT_EQ(after(ixor_get_ipcproxy_addrport("P1", addr, sizeof addr, &port, nullptr)),
              "0 keep 8080 42");
    EXPECT_EQ(after(ixor_get_ipcproxy_addrport("P2", addr, sizeof addr, &port, &uid)),
              "0 keep 0 0");
    EXPECT_EQ(ixor_get_ipcproxy_localport(), 17001);
    files = {{paths::connect, "[connect]\n"}, {paths::server_port, "[local]\n"}};
    EXPECT_EQ(after(ixor_get_ipcproxy_connectaddr(addr, sizeof addr, &port)), "0 keep 0 0");
    EXPECT_EQ(ixor_get_ipcproxy_localport(), 0);
}

}  // namespace
