// The apply step and its parts through the recording fake: writing the
// proxy configuration, removing the proxy after the pause, the threshold,
// the choice among candidates, and installing the proxy.
#include <gtest/gtest.h>

#include <algorithm>

#include "fake_platform.h"
#include "ixor_test_support.h"
#include "frame_paths.h"
#include "ixor_ipc.h"
#include "ixor_ipc_internal.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kRegister = paths::product_register;
const std::string kPause = "no module has registered, delay to uninstall ipc_proxy.\n";
const std::string kInstalling = "installing ixor process ipc_proxy...\n";

bool called(const std::string &call) { return fake::count(call) != 0; }

class Step : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::reset();
        fake::platform().log_level = 2;
        fake::put_file(paths::startup, "[process]\nname=ipc_proxy\nbinary=ipc_proxy.exe\n");
    }
    void apply(const std::string &registrations, int threshold)
    {
        fake::put_file("/reg.eni", registrations);
        ixor_ini *ini = ixor_ini_file_load("/reg.eni");
        fake::platform().calls.clear();
        fake::platform().lines.clear();
        ixor_apply_ipcproxy_conf(ini, threshold);
        ixor_ini_file_free(ini);
        fake::platform().calls.pop_back();
    }
    unsigned char flag = 7;
};

using Generate = Step;
using Apply = Step;
using Service = Step;

size_t saves() { return fake::count("ixor_ini_file_save " + paths::proxy_conf + " 0"); }

TEST_F(Generate, FirstWriteCreatesSameValuesLeaveTheFileAlone)
{
    EXPECT_EQ(ixor_generate_ipcproxy_conf("127.0.0.11", 8080, 3, &flag), 0);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(fake::file(paths::proxy_conf), "[config]\naddr=127.0.0.11\nport=8080\nuid=3\n");
    EXPECT_EQ(ixor_generate_ipcproxy_conf("127.0.0.11", 8080, 3, &flag), 0);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(saves(), 1u);
    EXPECT_EQ(fake::tails(), (Lines{"config change status: 1\n", "config change status: 0\n"}));
    EXPECT_EQ(fake::platform().locks_held, 0);
}

TEST_F(Generate, AnyDifferenceRewrites)
{
    struct Case {
        const char *existing;
        const char *addr;
        int port, uid;
    };
    const Case cases[] = {
        {"[config]\naddr=127.0.0.11\nport=8080\nuid=3\n", "127.0.0.11", 8080, 4},
        {"[config]\naddr=127.0.0.11\nport=8080\nuid=3\n", "127.0.0.11", 8081, 3},
        {"[config]\naddr=Host\nport=8080\nuid=3\n", "host", 8080, 3},
        {"[config]\naddr=host\nport=8080\nuid=3\n", "host ", 8080, 3},
        {"[config]\nport=8080\nuid=3\n", "host", 8080, 3},
        {"[other]\naddr=host\nport=8080\nuid=3\n", "host", 8080, 3},
    };
    for (const Case &c : cases) {
        fake::reset();
        fake::put_file(paths::proxy_conf, c.existing);
        flag = 9;
        EXPECT_EQ(ixor_generate_ipcproxy_conf(c.addr, c.port, c.uid, &flag), 0) << c.existing;
        EXPECT_EQ(flag, 1) << c.existing;
        EXPECT_EQ(saves(), 1u) << c.existing;
    }
}

TEST_F(Generate, OtherSectionsAndKeysSurvive)
{
    fake::put_file(paths::proxy_conf, "[log]\nlevel=3\n[config]\nextra=yes\naddr=a\n");
    EXPECT_EQ(ixor_generate_ipcproxy_conf("b", 1, -2, nullptr), 0);
    EXPECT_EQ(fake::file(paths::proxy_conf),
              "[log]\nlevel=3\n\n[config]\nextra=yes\naddr=b\nport=1\nuid=-2\n");
}

// Refusals before the lock keep the caller's flag; once a lock was tried
// the flag says "changed". Nothing stays locked.
TEST_F(Generate, Failures)
{
    const std::string bad = "ixor_generate_ipcproxy_conf failed: invalid parameter\n";
    struct Case {
        const char *name;
        void (*setup)();
        const char *addr;
        int port;
        unsigned char flag;
        Lines lines;
    };
    const Case cases[] = {
        {"port 0", [] {}, "a", 0, 7, {bad}},
        {"null addr", [] {}, nullptr, 80, 7, {bad}},
        {"no home", [] { fake::platform().apphome_result = 1; }, "a", 80, 7,
         {"ixor_apphome.ini not exists.\n"}},
        {"load",
         [] {
             fake::put_file(paths::proxy_conf, "[config]\naddr=a\nport=80\nuid=0\n");
             fake::platform().load_fails.insert(paths::proxy_conf);
         },
         "a", 80, 1, {"ixor_ini_file_load failed\n"}},
        {"save", [] { fake::platform().save_fails.insert(paths::proxy_conf); }, "a", 80, 1,
         {"config change status: 1\n", "ixor_ini_file_save failed\n"}},
        {"lock", [] { fake::platform().lock_acquire_fails = true; }, "a", 80, 1,
         {"flock file failed " + paths::proxy_conf + ".lock\n"}},
    };
    for (const Case &c : cases) {
        fake::reset();
        c.setup();
        flag = 7;
        EXPECT_EQ(ixor_generate_ipcproxy_conf(c.addr, c.port, 0, &flag), -1) << c.name;
        EXPECT_EQ(flag, c.flag) << c.name;
        EXPECT_EQ(fake::tails(), c.lines) << c.name;
        EXPECT_EQ(fake::platform().locks_held, 0) << c.name;
    }
    // The failed lock of the last case is destroyed once; the close then
    // finds nothing left.
    EXPECT_EQ(Lines(fake::calls().end() - 5, fake::calls().end()),
              (Lines{"ixor_flock_acquire", "ixor_flock_destroy", "ixor_ini_file_free null",
                     "ixor_flock_release null", "ixor_flock_destroy null"}));
}

// Without registrations ("HVK" does not count) the proxy is removed, after
// the pause, when it is there.
TEST_F(Apply, NoRegistrationRemovesTheProxy)
{
    apply("[HVK]\npriority=100\naddr=h\nport=1\n", 0);
    EXPECT_EQ(fake::tails(), Lines{"ipc_proxy service not loaded, skip unload step.\n"});
    EXPECT_FALSE(called("uninstall_ixor_process ipc_proxy"));

    fake::platform().processes["ipc_proxy"] = "x";
    fake::put_file(paths::product_register, "[count]\nnum=2\n");
    apply("", 0);
    const Lines &c = fake::calls();
    auto sleep = std::find(c.begin(), c.end(), "ixor_sleep 3");
    ASSERT_NE(sleep, c.end());
    EXPECT_EQ(*(sleep + 1), "uninstall_ixor_process ipc_proxy");
    EXPECT_EQ(fake::platform().processes.count("ipc_proxy"), 0u);

    fake::platform().processes["ipc_proxy"] = "x";
    fake::platform().uninstall_result = 5;
    apply("", 0);
    EXPECT_EQ(fake::tails().back(), "uninstall_ixor_process ipc_proxy failed\n");
}

TEST_F(Apply, WinnerAboveThresholdChangesNothing)
{
    apply("[a]\npriority=60\naddr=127.0.0.11\nport=80\n", 59);
    EXPECT_TRUE(fake::tails().empty());
    EXPECT_FALSE(called("get_apphome_path_main"));
    apply("[a]\npriority=101\naddr=127.0.0.11\nport=80\n", 100);
    EXPECT_FALSE(called("get_apphome_path_main"));
}

TEST_F(Apply, SingleCandidateIsTakenWholeWithoutProbe)
{
    apply("[a]\npriority=5\naddr=not a host\nport=80\n", 100);
    EXPECT_EQ(fake::file(paths::proxy_conf), "[config]\naddr=not a host\nport=80\nuid=0\n");
    EXPECT_EQ(fake::tails(), (Lines{"config change status: 1\n", kInstalling}));
}

// A winner at the threshold is configured; when none of its candidates
// answers, the first one is.
TEST_F(Apply, NoCandidateAnswersTheFirstIsConfigured)
{
    const std::string port = std::to_string(ixor_test::closed_port());
    apply("[a]\npriority=60\naddr=127.0.0.3;127.0.0.2\nport=" + port + "\nuid=4\n", 60);
    EXPECT_EQ(fake::file(paths::proxy_conf),
              "[config]\naddr=127.0.0.3\nport=" + port + "\nuid=4\n");
    EXPECT_TRUE(called("install_ixor_process ipc_proxy"));
}

TEST_F(Apply, NoValidWinnerFailsTheGeneration)
{
    apply("[a]\npriority=5\nport=80\n[b]\npriority=0\naddr=x\nport=1\n", 100);
    EXPECT_EQ(fake::tails(), (Lines{"skipping invalid addr config in section a\n",
                                    "ixor_generate_ipcproxy_conf failed: invalid parameter\n",
                                    "ixor_generate_ipcproxy_conf failed!\n"}));
    EXPECT_FALSE(called("install_ixor_process ipc_proxy"));
    EXPECT_FALSE(called("uninstall_ixor_process ipc_proxy"));
}

// The sibling product, registered or only installed, stops the step before
// the registrations are read.
TEST_F(Apply, SiblingProductStopsEverything)
{
    const Lines skip = {"is running hvk, skip ipc_proxy config convert step...\n"};
    fake::platform().registered.insert("HVK");
    apply("", 0);
    EXPECT_EQ(fake::tails(), skip);
    EXPECT_EQ(fake::calls(), Lines{"is_product_register HVK"});

    fake::platform().registered.clear();
    fake::platform().installed.insert("HVK");
    fake::platform().processes["ipc_proxy"] = "x";
    apply("[a]\npriority=5\naddr=127.0.0.11\nport=80\n", 100);
    EXPECT_EQ(fake::tails(), skip);
    EXPECT_EQ(fake::calls(), (Lines{"is_product_register HVK", "is_product_installed HVK"}));
}

TEST_F(Apply, FailedRestartIsLoggedAndTheConfigurationStays)
{
    fake::platform().install_result = 42;
    apply("[a]\npriority=5\naddr=127.0.0.11\nport=80\n", 100);
    EXPECT_EQ(fake::tails().back(), "ixor_restart_ipcproxy failed!\n");
    EXPECT_EQ(fake::file(paths::proxy_conf), "[config]\naddr=127.0.0.11\nport=80\nuid=0\n");
}

// Regeneration re-applies up to the highest priority a change accepts.
TEST_F(Apply, RegenerationReachesPriority100Only)
{
    fake::put_file(paths::registrations, "[a]\npriority=101\naddr=127.0.0.11\nport=80\n");
    EXPECT_EQ(regenerate_ipc_proxy_conf_restart(), 0);
    EXPECT_EQ(fake::file(paths::proxy_conf), "<absent>");
    fake::put_file(paths::registrations, "[a]\npriority=100\naddr=127.0.0.11\nport=80\n");
    EXPECT_EQ(regenerate_ipc_proxy_conf_restart(), 0);
    EXPECT_EQ(fake::file(paths::proxy_conf), "[config]\naddr=127.0.0.11\nport=80\nuid=0\n");
}

// An unchanged configuration restarts only a proxy that is not there; a
// changed one always restarts it.
TEST_F(Apply, RestartFollowsTheConfiguration)
{
    fake::put_file(paths::proxy_conf, "[config]\naddr=127.0.0.11\nport=80\nuid=0\n");
    fake::platform().processes["ipc_proxy"] = "x";
    apply("[a]\npriority=5\naddr=127.0.0.11\nport=80\n", 100);
    EXPECT_EQ(fake::tails().back(), "config not changed, skip restart ipc_proxy process.\n");
    EXPECT_FALSE(called("install_ixor_process ipc_proxy"));

    apply("[a]\npriority=5\naddr=127.0.0.12\nport=80\n", 100);
    EXPECT_TRUE(called("install_ixor_process ipc_proxy"));

    fake::platform().processes.clear();
    apply("[a]\npriority=5\naddr=127.0.0.12\nport=80\n", 100);
    EXPECT_TRUE(called("install_ixor_process ipc_proxy"));
}

// The pause comes only for a count above 0 and only after the lock and the
// file are given back; the early failures end with a null lock handle.
TEST_F(Service, DelayBeforeUninstall)
{
    const Lines nothing_held = {"ixor_flock_release null", "ixor_flock_destroy null"};
    struct Case {
        const char *name;
        void (*setup)();
        const char *count;  // the register file's text, null for none
        Lines lines;
        Lines tail;  // the last platform calls
    };
    const Case cases[] = {
        {"count 2", [] {}, "[count]\nnum=2\n", {kPause},
         {"get_ixor_root_dir", "get_app_home_dir /agent/ixor_apphome.ini 0",
          "ixor_path_is_exist_u " + kRegister, "ixor_flock_init " + kRegister + ".lock",
          "ixor_flock_acquire", "ixor_ini_file_load " + kRegister, "ixor_ini_file_free",
          "ixor_flock_release", "ixor_flock_destroy", "ixor_sleep 3"}},
        {"count 40", [] {}, "[count]\nnum=40\n", {kPause}, {"ixor_sleep 3"}},
        {"count 0", [] {}, "[count]\nnum=0\n", {}, {"ixor_flock_destroy"}},
        {"count -3", [] {}, "[count]\nnum=-3\n", {}, {"ixor_flock_destroy"}},
        {"no count", [] {}, "[count]\n", {}, {"ixor_flock_destroy"}},
        {"other section", [] {}, "[other]\nnum=5\n", {}, {"ixor_flock_destroy"}},
        {"line filtered", [] { fake::platform().log_level = 1; }, "[count]\nnum=1\n", {},
         {"ixor_sleep 3"}},
        {"lock fails", [] { fake::platform().lock_init_fails = true; }, "[count]\nnum=1\n",
         {kPause}, {"ixor_ini_file_free", "ixor_flock_release null", "ixor_flock_destroy null",
                    "ixor_sleep 3"}},
        {"no app home", [] { fake::platform().app_home_dir_result = 1; }, "[count]\nnum=1\n",
         {"get_app_home_dir failed!\n"}, nothing_held},
        {"no root", [] { fake::platform().root_null = true; }, "[count]\nnum=1\n",
         {"get_app_home_dir failed!\n"}, nothing_held},
        {"no register file", [] {}, nullptr, {"register config is not exist\n"},
         {"ixor_path_is_exist_u " + kRegister, "ixor_flock_release null",
          "ixor_flock_destroy null"}},
        {"load fails", [] { fake::platform().load_fails.insert(paths::product_register); },
         "[count]\nnum=1\n", {"load config: " + kRegister + " failed.\n"},
         {"ixor_ini_file_load " + kRegister, "ixor_flock_release", "ixor_flock_destroy"}},
    };
    for (const Case &c : cases) {
        SetUp();
        c.setup();
        if (c.count) {
            fake::put_file(kRegister, c.count);
        }
        ixor_delay_before_uninstall();
        EXPECT_EQ(fake::tails(), c.lines) << c.name;
        const Lines &calls = fake::calls();
        ASSERT_GE(calls.size(), c.tail.size()) << c.name;
        EXPECT_EQ(Lines(calls.end() - c.tail.size(), calls.end()), c.tail) << c.name;
        EXPECT_EQ(fake::count("ixor_sleep 3"), c.tail.back() == "ixor_sleep 3" ? 1u : 0u)
            << c.name;
        EXPECT_EQ(fake::platform().locks_held, 0) << c.name;
    }
}

// Restart installs the process from the start-up description, announcing
// an update first when it is already there.
TEST_F(Service, Restart)
{
    struct Case {
        const char *name;
        void (*setup)();
        int result;
        Lines lines;
    };
    const Case cases[] = {
        {"install", [] {}, 0, {kInstalling}},
        {"update", [] { fake::platform().processes["ipc_proxy"] = "old"; }, 0,
         {"updating ipc_proxy startup config\n", kInstalling}},
        {"no home", [] { fake::platform().apphome_result = 2; }, -1,
         {kInstalling, "ixor_apphome.ini not exists.\n"}},
        {"no description", [] { fake::platform().files.clear(); }, -1,
         {kInstalling, "load ipc_proxy.eni config failed\n"}},
        {"install fails", [] { fake::platform().install_result = 42; }, 42,
         {kInstalling, "install_ixor_process failed\n"}},
    };
    for (const Case &c : cases) {
        SetUp();
        c.setup();
        EXPECT_EQ(ixor_restart_ipcproxy(), c.result) << c.name;
        EXPECT_EQ(fake::tails(), c.lines) << c.name;
        const Lines &calls = fake::calls();
        if (c.result == -1) {
            EXPECT_FALSE(called("install_ixor_process ipc_proxy")) << c.name;
        } else {
            EXPECT_EQ(calls.back(), "ixor_ini_file_free") << c.name;
        }
        if (c.result == 0) {
            EXPECT_EQ(fake::platform().processes["ipc_proxy"],
                      "[process]\nname=ipc_proxy\nbinary=ipc_proxy.exe\n");
        }
    }
}

}  // namespace
