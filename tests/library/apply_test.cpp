// The apply step through the recording fake: the winner, the proxy
// configuration, the step's branches, the pause before removal, the install.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "ixor_ipc.h"
#include "ixor_ipc_internal.h"

namespace {

using fake::Lines;

const std::string kPause = "no module has registered, delay to uninstall ipc_proxy.\n";
const std::string kInstalling = "installing ixor process ipc_proxy...\n";
const std::string kStatus0 = "config change status: 0\n", kStatus1 = "config change status: 1\n";
const std::string kStartup = "[process]\nname=ipc_proxy\n", kNone = "<absent>";
const std::string kNoUid = "[config]\naddr=127.0.0.11\nport=80\n", kConf = kNoUid + "uid=0\n";
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

// Only a valid section of a higher priority than the best so far wins: a
// tie goes to the first visited, priority 0 never wins, "HVK" neither wins
// nor counts, and a section that could not win is not checked.
TEST(Selection, WinnerCountAndWarnings)
{
    const std::string no_addr = "skipping invalid addr config in section a\n";
    const Lines no_ports = {"skipping invalid port config in section a\n",
                            "skipping invalid port config in section b\n"};
    // The file, the winner as "addr:port/uid priority count", the warnings.
    // clang-format off
    const std::tuple<std::string, std::string, Lines> cases[] = {
        {"[a]\npriority=10\naddr=A\nport=1\n[b]\npriority=50\naddr=B\nport=2\nuid=5\n"
         "[c]\npriority=50\naddr=C\nport=3\n", "B:2/5 50 3", {}},
        {"[a]\npriority=90\nport=1\n[b]\npriority=40\naddr=B\nport=2\n", "B:2/0 40 2", {no_addr}},
        {"[a]\npriority=90\naddr=A\nport=1\n[b]\npriority=40\nport=2\n", "A:1/0 90 2", {}},
        {"[a]\npriority=90\naddr=A\nport=0\n[b]\npriority=10\naddr=B\n[c]\npriority=5\naddr=C\n"
         "port=7\n", "C:7/0 5 3", no_ports},
        {"[HVK]\npriority=100\naddr=H\nport=1\n[hvk]\npriority=3\naddr=L\nport=4\n", "L:4/0 3 1",
         {}},
        {"[a]\npriority=0\naddr=A\nport=1\n[b]\npriority=-5\naddr=B\nport=1\n[c]\naddr=C\nport=1\n"
         "[d]\npriority=100\naddr=D\nport=65534\n[e]\npriority=100abc\naddr=E\nport=1\n",
         "D:65534/0 100 5", {}},
        {"", ":0/0 0 0", {}},
        {"[a]\n[b]\nx=1\n", ":0/0 0 2", {}},
    };
    // clang-format on
    for (const auto &[file, winner, warnings] : cases) {
        fake::reset();
        p().files["/reg.eni"] = file;
        ixor_ini *ini = ixor_ini_file_load("/reg.eni");
        ixor_ipcproxy_selection s{};
        ixor_ini_file_foreach(ini, &s, ixor_select_section_cb);
        ixor_ini_file_free(ini);
        EXPECT_EQ(std::string(s.addr) + ":" + std::to_string(s.port) + "/" + std::to_string(s.uid) +
                      " " + std::to_string(s.priority) + " " + std::to_string(s.section_count),
                  winner)
            << file;
        EXPECT_EQ(fake::tails(), warnings) << file;
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

// Each branch of the step, seen in its lines, the proxy configuration it
// leaves, the proxy process it leaves installed and the sibling's presence.
// Rows at threshold 100 run through the regeneration export, which applies
// the stored registrations up to the highest priority a change accepts.
TEST(Apply, Branches)
{
    const std::string a100 = "[a]\npriority=100\naddr=127.0.0.11\nport=80\n";
    const std::string hvk = "is running hvk, skip ipc_proxy config convert step...\n";
    const std::string updating = "updating ipc_proxy startup config\n";
    const std::string unchanged = "config not changed, skip restart ipc_proxy process.\n";
    const std::string invalid = "ixor_generate_ipcproxy_conf failed: invalid parameter\n";
    const std::string failed = "ixor_generate_ipcproxy_conf failed!\n";
    const std::string no_addr = "skipping invalid addr config in section a\n";
    const std::string no_install = "install_ixor_process failed\n";
    const std::string no_restart = "ixor_restart_ipcproxy failed!\n";
    static const std::string port81 = "[config]\naddr=127.0.0.11\nport=81\nuid=0\n";
    static const std::string addr12 = "[config]\naddr=127.0.0.12\nport=80\nuid=0\n";
    // A set-up, the registrations, the threshold, the lines, the proxy
    // configuration and the process record left.
    // clang-format off
    const std::tuple<void (*)(), std::string, int, Lines, std::string, std::string> cases[] = {
        {[] { p().registered = {"HVK"}; proxy_installed(); }, "", 0, {hvk}, kNone, "x"},
        {[] { p().installed = {"HVK"}; }, a100, 100, {hvk}, kNone, kNone},
        {[] {}, "[HVK]\npriority=100\naddr=h\nport=1\n", 0,
         {"ipc_proxy service not loaded, skip unload step.\n"}, kNone, kNone},
        {[] { proxy_installed(); p().files[kReg] = "[count]\nnum=2\n"; }, "", 0, {kPause}, kNone,
         kNone},
        {[] { proxy_installed(); p().uninstall_result = 5; }, "", 0,
         {"register config is not exist\n", "uninstall_ixor_process ipc_proxy failed\n"}, kNone,
         "x"},
        {[] {}, "[a]\npriority=60\naddr=127.0.0.11\nport=80\n", 59, {}, kNone, kNone},
        {[] {}, "[a]\npriority=101\naddr=127.0.0.11\nport=80\n", 100, {}, kNone, kNone},
        {[] {}, "[a]\npriority=5\naddr=not a host\nport=80\n", 5, {kStatus1, kInstalling},
         "[config]\naddr=not a host\nport=80\nuid=0\n", kStartup},
        {[] {}, "[a]\npriority=5\nport=80\n[b]\npriority=0\naddr=x\nport=1\n", 100,
         {no_addr, invalid, failed}, kNone, kNone},
        {[] { p().install_result = 42; }, a100, 100,
         {kStatus1, kInstalling, no_install, no_restart}, kConf, kNone},
        // Only a difference rewrites the configuration; an absent uid counts as 0.
        {[] { conf_was(kNoUid); proxy_installed(); }, a100, 100, {kStatus0, unchanged}, kNoUid,
         "x"},
        {[] { conf_was(kConf); }, a100, 100, {kStatus0, kInstalling}, kConf, kStartup},
        {proxy_installed, a100, 100, {kStatus1, updating, kInstalling}, kConf, kStartup},
        {[] { conf_was(port81); proxy_installed(); }, a100, 100,
         {kStatus1, updating, kInstalling}, kConf, kStartup},
        {[] { conf_was(addr12); }, a100, 100, {kStatus1, kInstalling}, kConf, kStartup},
        {[] { conf_was(kNoUid + "uid=1\n"); }, a100, 100, {kStatus1, kInstalling}, kConf, kStartup},
    };
    // clang-format on
    for (const auto &[setup, registrations, threshold, lines, conf, process] : cases) {
        fresh();
        setup();
        p().files[paths::registrations] = registrations;
        if (threshold == 100) {
            EXPECT_EQ(regenerate_ipc_proxy_conf_restart(), 0);
            EXPECT_TRUE(fake::handed_over());
        } else {
            ixor_ini *ini = ixor_ini_file_load(paths::registrations.c_str());
            ixor_apply_ipcproxy_conf(ini, threshold);
            ixor_ini_file_free(ini);
        }
        SCOPED_TRACE(registrations + std::to_string(threshold));
        EXPECT_EQ(fake::tails(), lines);
        EXPECT_EQ(fake::file(paths::proxy_conf), conf);
        EXPECT_EQ(p().processes.count("ipc_proxy") ? p().processes["ipc_proxy"] : kNone, process);
        EXPECT_EQ(is_running_hvk(), lines == Lines{hvk} ? 1 : 0);
    }
}

// The pause comes only for a count above 0 and only after the lock and the
// file are given back; the early failures end with a null lock handle.
TEST(Service, DelayBeforeUninstall)
{
    const Lines none_held = {"ixor_flock_release null", "ixor_flock_destroy null"};
    const Lines held = {"ixor_flock_release", "ixor_flock_destroy"};
    const std::string no_home = "get_app_home_dir failed!\n", load = "ixor_ini_file_load " + kReg;
    // A setup of the agent's product count, the lines, the last calls.
    // clang-format off
    const std::tuple<void (*)(), Lines, Lines> cases[] = {
        {[] {}, {kPause},
         {"get_ixor_root_dir", "get_app_home_dir /agent/ixor_apphome.ini 0",
          "ixor_path_is_exist_u " + kReg, "ixor_flock_init " + kReg + ".lock", "ixor_flock_acquire",
          load, "ixor_ini_file_free", held[0], held[1], "ixor_sleep 3"}},
        {[] { p().files[kReg] = "[count]\nnum=0\n"; }, {}, {"ixor_flock_destroy"}},
        {[] { p().files[kReg] = "[count]\n"; }, {}, {"ixor_flock_destroy"}},
        {[] { p().lock_init_fails = true; }, {kPause},
         {"ixor_ini_file_free", none_held[0], none_held[1], "ixor_sleep 3"}},
        {[] { p().app_home_dir_result = 1; }, {no_home}, none_held},
        {[] { p().root_null = true; }, {no_home}, none_held},
        {[] { p().files.erase(kReg); }, {"register config is not exist\n"},
         {"ixor_path_is_exist_u " + kReg, none_held[0], none_held[1]}},
        {[] { p().load_fails = {kReg}; }, {"load config: " + kReg + " failed.\n"},
         {load, held[0], held[1]}},
    };
    // clang-format on
    for (const auto &[setup, lines, tail] : cases) {
        fresh();
        p().files[kReg] = "[count]\nnum=1\n";
        setup();
        ixor_delay_before_uninstall();
        SCOPED_TRACE(tail.front());
        EXPECT_EQ(fake::tails(), lines);
        EXPECT_EQ(Lines(p().calls.end() - tail.size(), p().calls.end()), tail);
        EXPECT_EQ(fake::count("ixor_sleep 3"), tail.back() == "ixor_sleep 3" ? 1u : 0u);
    }
}

// Restart installs the process from the start-up description and gives
// the description back; without it nothing is installed.
TEST(Service, Restart)
{
    const std::pair<void (*)(), Lines> cases[] = {
        {[] {}, {kInstalling}},
        {[] { p().apphome_result = 2; }, {kInstalling, "ixor_apphome.ini not exists.\n"}},
        {[] { p().files.clear(); }, {kInstalling, "load ipc_proxy.eni config failed\n"}},
    };
    for (const auto &[setup, lines] : cases) {
        fresh();
        setup();
        const bool installs = lines.size() == 1;
        EXPECT_EQ(ixor_restart_ipcproxy(), installs ? 0 : -1);
        EXPECT_EQ(fake::tails(), lines);
        EXPECT_EQ(p().processes["ipc_proxy"], installs ? kStartup : "");
        EXPECT_EQ(fake::count("ixor_ini_file_free"), installs ? 1u : 0u);
    }
}

}  // namespace
