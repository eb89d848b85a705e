// The apply step through the recording fake: the winner, the proxy
// configuration, the step's branches, the pause before removal, the install.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "ixor_test_support.h"
#include "ixor_ipc.h"
#include "ixor_ipc_internal.h"

namespace {

using fake::Lines;

const std::string kPause = "no module has registered, delay to uninstall ipc_proxy.\n";
const std::string kInstalling = "installing ixor process ipc_proxy...\n";
const std::string kStatus0 = "config change status: 0\n";
const std::string kStatus1 = "config change status: 1\n";
const std::string kStartup = "[process]\nname=ipc_proxy\n";
const std::string kNone = "<absent>";
const std::string kNoUid = "[config]\naddr=127.0.0.11\nport=80\n";
const std::string kConf = kNoUid + "uid=0\n";
const std::string kReg = paths::product_register;

fake::Platform &p() { return fake::platform(); }
void proxy_installed() { p().processes["ipc_proxy"] = "x"; }
void conf_was(const std::string &text) { p().files[paths::proxy_conf] = text; }

void fresh()
{
    fake::reset();
    p().log_level = 2;
    p().files[paths::startup] = kStartup;
}

ixor_ini *loaded(const std::string &registrations)
{
    p().files["/reg.eni"] = registrations;
    return ixor_ini_file_load("/reg.eni");
}

ixor_ipcproxy_selection select_over(const std::string &registrations)
{
    ixor_ini *ini = loaded(registrations);
    ixor_ipcproxy_selection selection{};
    ixor_ini_file_foreach(ini, &selection, ixor_select_section_cb);
    ixor_ini_file_free(ini);
    return selection;
}

void apply_step(const std::string &registrations, int threshold)
{
    ixor_ini *ini = loaded(registrations);
    ixor_apply_ipcproxy_conf(ini, threshold);
    ixor_ini_file_free(ini);
}

// Only a valid section of a higher priority than the best so far wins: a
// tie goes to the first visited, priority 0 never wins, "HVK" neither wins
// nor counts, and a section that could not win is not checked.
TEST(Selection, WinnerCountAndWarnings)
{
    const std::string no_addr = "skipping invalid addr config in section a\n";
    const Lines no_ports = {"skipping invalid port config in section a\n",
                            "skipping invalid port config in section b\n"};
    struct Row {
        std::string file;
        std::string winner;  // "addr:port/uid priority count"
        Lines warnings;
    };
    const Row rows[] = {
        {"[a]\npriority=10\naddr=A\nport=1\n[b]\npriority=50\naddr=B\nport=2\nuid=5\n"
         "[c]\npriority=50\naddr=C\nport=3\n",
         "B:2/5 50 3",
         {}},
        {"[a]\npriority=90\nport=1\n[b]\npriority=40\naddr=B\nport=2\n", "B:2/0 40 2", {no_addr}},
        {"[a]\npriority=90\naddr=A\nport=1\n[b]\npriority=40\nport=2\n", "A:1/0 90 2", {}},
        {"[a]\npriority=90\naddr=A\nport=0\n[b]\npriority=10\naddr=B\n[c]\npriority=5\naddr=C\n"
         "port=7\n",
         "C:7/0 5 3", no_ports},
        {"[HVK]\npriority=100\naddr=H\nport=1\n[hvk]\npriority=3\naddr=L\nport=4\n",
         "L:4/0 3 1",
         {}},
        {"[a]\npriority=0\naddr=A\nport=1\n[b]\npriority=-5\naddr=B\nport=1\n[c]\naddr=C\nport=1\n"
         "[d]\npriority=100\naddr=D\nport=65534\n[e]\npriority=100abc\naddr=E\nport=1\n",
         "D:65534/0 100 5",
         {}},
        {"", ":0/0 0 0", {}},
        {"[a]\n[b]\nx=1\n", ":0/0 0 2", {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.file);
        fake::reset();
        const ixor_ipcproxy_selection s = select_over(row.file);
        EXPECT_EQ(std::string(s.addr) + ":" + std::to_string(s.port) + "/" + std::to_string(s.uid) +
                      " " + std::to_string(s.priority) + " " + std::to_string(s.section_count),
                  row.winner);
        EXPECT_EQ(fake::tails(), row.warnings);
    }
}

// Without a home the caller's flag is kept; once a lock was tried it says "changed".
TEST(Generate, Failures)
{
    for (bool home : {false, true}) {
        fresh();
        p().apphome_result = home ? 0 : 1;
        p().lock_acquire_fails = true;
        unsigned char flag = 7;
        EXPECT_EQ(ixor_generate_ipcproxy_conf("a", 80, 0, &flag), -1);
        EXPECT_EQ(flag, home ? 1 : 7);
        EXPECT_EQ(fake::tails(), Lines{home ? "flock file failed " + paths::proxy_conf + ".lock\n"
                                            : "ixor_apphome.ini not exists.\n"});
    }
}

// What a row finds before the step, besides its registrations and the
// proxy configuration.
enum Before { kNothing = 0, kProxy = 1, kTwoProducts = 2, kNoUninstall = 4, kNoInstall = 8 };

void prepare(int before, const std::string &conf)
{
    if (before & kProxy)
        proxy_installed();
    if (before & kTwoProducts)
        p().files[kReg] = "[count]\nnum=2\n";
    p().uninstall_result = before & kNoUninstall ? 5 : 0;
    p().install_result = before & kNoInstall ? 42 : 0;
    if (!conf.empty())
        conf_was(conf);
}

// With the sibling product running the step ends at once and touches
// nothing.
TEST(Apply, SiblingRunningSkipsTheStep)
{
    const std::string hvk = "is running hvk, skip ipc_proxy config convert step...\n";
    for (const bool registered : {true, false}) {
        fresh();
        (registered ? p().registered : p().installed) = {"HVK"};
        proxy_installed();
        apply_step("[a]\npriority=100\naddr=127.0.0.11\nport=80\n", 100);
        EXPECT_EQ(fake::tails(), Lines{hvk});
        EXPECT_EQ(fake::file(paths::proxy_conf), kNone);
        EXPECT_EQ(p().processes["ipc_proxy"], "x");
        EXPECT_EQ(is_running_hvk(), 1);
    }
}

// Each other branch of the step, seen in its lines, the proxy
// configuration and the proxy process record it leaves. Rows at threshold
// 100 run through the regeneration export, which applies the stored
// registrations up to the highest priority a change accepts.
TEST(Apply, Branches)
{
    const std::string a100 = "[a]\npriority=100\naddr=127.0.0.11\nport=80\n";
    const std::string a60 = "[a]\npriority=60\naddr=127.0.0.11\nport=80\n";
    const std::string a101 = "[a]\npriority=101\naddr=127.0.0.11\nport=80\n";
    const std::string hvk100 = "[HVK]\npriority=100\naddr=h\nport=1\n";
    const std::string odd_host = "[a]\npriority=5\naddr=not a host\nport=80\n";
    const std::string odd_conf = "[config]\naddr=not a host\nport=80\nuid=0\n";
    const std::string no_addr5 = "[a]\npriority=5\nport=80\n[b]\npriority=0\naddr=x\nport=1\n";
    const std::string port81 = "[config]\naddr=127.0.0.11\nport=81\nuid=0\n";
    const std::string addr12 = "[config]\naddr=127.0.0.12\nport=80\nuid=0\n";
    const std::string uid1 = kNoUid + "uid=1\n";
    const std::string unloaded = "ipc_proxy service not loaded, skip unload step.\n";
    const std::string no_reg = "register config is not exist\n";
    const std::string no_uninstall = "uninstall_ixor_process ipc_proxy failed\n";
    const std::string updating = "updating ipc_proxy startup config\n";
    const std::string same = "config not changed, skip restart ipc_proxy process.\n";
    const std::string invalid = "ixor_generate_ipcproxy_conf failed: invalid parameter\n";
    const std::string failed = "ixor_generate_ipcproxy_conf failed!\n";
    const std::string no_addr = "skipping invalid addr config in section a\n";
    const std::string no_install = "install_ixor_process failed\n";
    const std::string no_restart = "ixor_restart_ipcproxy failed!\n";
    struct Row {
        int before;
        std::string conf_before;
        std::string registrations;
        int threshold;
        Lines lines;
        std::string conf;
        std::string process;
    };
    const Row rows[] = {
        {kProxy | kTwoProducts, "", "", 0, {kPause}, kNone, kNone},
        {kProxy | kNoUninstall, "", "", 0, {no_reg, no_uninstall}, kNone, "x"},
        {kNothing, "", hvk100, 0, {unloaded}, kNone, kNone},
        {kNothing, "", a60, 59, {}, kNone, kNone},
        {kNothing, "", a101, 100, {}, kNone, kNone},
        {kNothing, "", odd_host, 5, {kStatus1, kInstalling}, odd_conf, kStartup},
        {kNothing, "", no_addr5, 100, {no_addr, invalid, failed}, kNone, kNone},
        {kNoInstall, "", a100, 100, {kStatus1, kInstalling, no_install, no_restart}, kConf, kNone},
        // Only a difference rewrites the configuration; an absent uid counts as 0.
        {kProxy, kNoUid, a100, 100, {kStatus0, same}, kNoUid, "x"},
        {kNothing, kConf, a100, 100, {kStatus0, kInstalling}, kConf, kStartup},
        {kProxy, "", a100, 100, {kStatus1, updating, kInstalling}, kConf, kStartup},
        {kProxy, port81, a100, 100, {kStatus1, updating, kInstalling}, kConf, kStartup},
        {kNothing, addr12, a100, 100, {kStatus1, kInstalling}, kConf, kStartup},
        {kNothing, uid1, a100, 100, {kStatus1, kInstalling}, kConf, kStartup},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.registrations + std::to_string(row.threshold) + " " + row.conf_before);
        fresh();
        prepare(row.before, row.conf_before);
        p().files[paths::registrations] = row.registrations;
        if (row.threshold == 100) {
            EXPECT_EQ(regenerate_ipc_proxy_conf_restart(), 0);
            EXPECT_TRUE(fake::handed_over());
        } else {
            apply_step(row.registrations, row.threshold);
        }
        EXPECT_EQ(fake::tails(), row.lines);
        EXPECT_EQ(fake::file(paths::proxy_conf), row.conf);
        EXPECT_EQ(p().processes.count("ipc_proxy") ? p().processes["ipc_proxy"] : kNone,
                  row.process);
        EXPECT_EQ(is_running_hvk(), 0);
    }
}

// When none of several candidates answers, the first one is configured;
// each candidate is probed once. Windows Sockets tell of a refused
// connection only when the wait runs out, and the probe says so.
TEST(Apply, NoCandidateAnswersTheFirstIsConfigured)
{
#ifdef _WIN32
    Lines lines = {"select timeout 10060", "select timeout 10060"};
#else
    Lines lines;
#endif
    lines.insert(lines.end(),
                 {"config change status: 1\n", "installing ixor process ipc_proxy...\n"});
    fresh();
    const std::string port = std::to_string(ixor_test::closed_port());
    apply_step("[a]\npriority=60\naddr=127.0.0.3;127.0.0.2\nport=" + port + "\nuid=4\n", 60);
    EXPECT_EQ(fake::tails(), lines);
    EXPECT_EQ(fake::file(paths::proxy_conf),
              "[config]\naddr=127.0.0.3\nport=" + port + "\nuid=4\n");
    EXPECT_EQ(p().processes["ipc_proxy"], kStartup);
}

// The pause comes only for a count above 0 and only after the lock and the
// file are given back; the early failures end with a null lock handle.
TEST(Service, DelayBeforeUninstall)
{
    const Lines none_held = {"ixor_flock_release null", "ixor_flock_destroy null"};
    const Lines held = {"ixor_flock_release", "ixor_flock_destroy"};
    const std::string no_home = "get_app_home_dir failed!\n";
    const std::string load = "ixor_ini_file_load " + kReg;
    const Lines paused = {"get_ixor_root_dir",
                          "get_app_home_dir /agent/ixor_apphome.ini 0",
                          "ixor_path_is_exist_u " + kReg,
                          "ixor_flock_init " + kReg + ".lock",
                          "ixor_flock_acquire",
                          load,
                          "ixor_ini_file_free",
                          held[0],
                          held[1],
                          "ixor_sleep 3"};
    const Lines unlocked_pause = {"ixor_ini_file_free", none_held[0], none_held[1], "ixor_sleep 3"};
    const Lines no_file = {"ixor_path_is_exist_u " + kReg, none_held[0], none_held[1]};
    struct Row {
        void (*setup)();  // of the agent's product count
        Lines lines;
        Lines last_calls;
        bool paused;
    };
    const Row rows[] = {
        {[] {}, {kPause}, paused, true},
        {[] { p().files[kReg] = "[count]\nnum=0\n"; }, {}, {"ixor_flock_destroy"}, false},
        {[] { p().files[kReg] = "[count]\n"; }, {}, {"ixor_flock_destroy"}, false},
        {[] { p().lock_init_fails = true; }, {kPause}, unlocked_pause, true},
        {[] { p().app_home_dir_result = 1; }, {no_home}, none_held, false},
        {[] { p().root_null = true; }, {no_home}, none_held, false},
        {[] { p().files.erase(kReg); }, {"register config is not exist\n"}, no_file, false},
        {[] { p().load_fails = {kReg}; },
         {"load config: " + kReg + " failed.\n"},
         {load, held[0], held[1]},
         false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.last_calls.front());
        fresh();
        p().files[kReg] = "[count]\nnum=1\n";
        row.setup();
        ixor_delay_before_uninstall();
        EXPECT_EQ(fake::tails(), row.lines);
        EXPECT_EQ(Lines(p().calls.end() - row.last_calls.size(), p().calls.end()), row.last_calls);
        EXPECT_EQ(fake::count("ixor_sleep 3"), row.paused ? 1u : 0u);
    }
}

// Restart installs the process from the start-up description and gives
// the description back; without it nothing is installed.
TEST(Service, Restart)
{
    struct Row {
        void (*setup)();
        Lines lines;
        bool installs;
    };
    const Row rows[] = {
        {[] {}, {kInstalling}, true},
        {[] { p().apphome_result = 2; }, {kInstalling, "ixor_apphome.ini not exists.\n"}, false},
        {[] { p().files.clear(); }, {kInstalling, "load ipc_proxy.eni config failed\n"}, false},
    };
    for (const Row &row : rows) {
        fresh();
        row.setup();
        EXPECT_EQ(ixor_restart_ipcproxy(), row.installs ? 0 : -1);
        EXPECT_EQ(fake::tails(), row.lines);
        EXPECT_EQ(p().processes["ipc_proxy"], row.installs ? kStartup : "");
        EXPECT_EQ(fake::count("ixor_ini_file_free"), row.installs ? 1u : 0u);
    }
}

}  // namespace
