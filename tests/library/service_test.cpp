// The pause before the proxy is removed, and its installation.
#include <gtest/gtest.h>

#include <algorithm>

#include "fake_platform.h"
#include "frame_paths.h"
#include "ixor_ipc_internal.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kRegister = "/agent/home/config/product_register.eni";

class Delay : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::reset();
        fake::platform().log_level = 2;
    }
    bool paused() const
    {
        return std::count(fake::calls().begin(), fake::calls().end(), "ixor_sleep 3") == 1;
    }
};

TEST_F(Delay, PausesOnlyForACountAboveZero)
{
    struct Case {
        const char *file;
        bool pause;
    };
    const Case cases[] = {{"[count]\nnum=1\n", true},  {"[count]\nnum=40\n", true},
                          {"[count]\nnum=0\n", false}, {"[count]\nnum=-3\n", false},
                          {"[count]\n", false},        {"[other]\nnum=5\n", false}};
    for (const Case &c : cases) {
        SetUp();
        fake::put_file(kRegister, c.file);
        ixor_delay_before_uninstall();
        EXPECT_EQ(paused(), c.pause) << c.file;
        EXPECT_EQ(fake::tails(),
                  c.pause ? Lines{"no module has registered, delay to uninstall ipc_proxy.\n"}
                          : Lines{})
            << c.file;
    }
}

TEST_F(Delay, EverythingIsGivenBackBeforeThePause)
{
    fake::put_file(kRegister, "[count]\nnum=2\n");
    ixor_delay_before_uninstall();
    EXPECT_EQ(fake::calls(),
              (Lines{"get_ixor_root_dir", "get_app_home_dir /agent/ixor_apphome.ini 0",
                     "ixor_path_is_exist_u " + kRegister, "ixor_flock_init " + kRegister + ".lock",
                     "ixor_flock_acquire", "ixor_ini_file_load " + kRegister,
                     "ixor_ini_file_free", "ixor_flock_release", "ixor_flock_destroy",
                     "ixor_sleep 3"}));
    EXPECT_EQ(fake::platform().locks_held, 0);
}

TEST_F(Delay, PausesEvenWhenTheLineIsFiltered)
{
    fake::platform().log_level = 1;
    fake::put_file(kRegister, "[count]\nnum=1\n");
    ixor_delay_before_uninstall();
    EXPECT_TRUE(paused());
    EXPECT_TRUE(fake::tails().empty());
}

TEST_F(Delay, FailuresEndWithoutPauseAndNullLock)
{
    fake::platform().app_home_dir_result = 1;
    ixor_delay_before_uninstall();
    EXPECT_EQ(fake::tails(), Lines{"get_app_home_dir failed!\n"});
    Lines tail(fake::calls().end() - 2, fake::calls().end());
    EXPECT_EQ(tail, (Lines{"ixor_flock_release null", "ixor_flock_destroy null"}));
    EXPECT_FALSE(paused());

    SetUp();
    fake::platform().root_null = true;
    ixor_delay_before_uninstall();
    EXPECT_EQ(fake::tails(), Lines{"get_app_home_dir failed!\n"});
    EXPECT_FALSE(paused());

    SetUp();
    ixor_delay_before_uninstall();
    EXPECT_EQ(fake::tails(), Lines{"register config is not exist\n"});
    EXPECT_EQ(std::count(fake::calls().begin(), fake::calls().end(),
                         "ixor_flock_init " + kRegister + ".lock"),
              0);

    SetUp();
    fake::put_file(kRegister, "[count]\nnum=1\n");
    fake::platform().load_fails.insert(kRegister);
    ixor_delay_before_uninstall();
    EXPECT_EQ(fake::tails(), Lines{"load config: " + kRegister + " failed.\n"});
    EXPECT_FALSE(paused());
    EXPECT_EQ(fake::platform().locks_held, 0);
}

TEST_F(Delay, LockFailureStillReadsTheCount)
{
    fake::platform().lock_init_fails = true;
    fake::put_file(kRegister, "[count]\nnum=1\n");
    ixor_delay_before_uninstall();
    EXPECT_TRUE(paused());
}

class Restart : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::reset();
        fake::platform().log_level = 2;
        fake::put_file(paths::startup, "[process]\nname=ipc_proxy\nbinary=ipc_proxy.exe\n");
    }
};

TEST_F(Restart, InstallsFromTheStartupDescription)
{
    EXPECT_EQ(ixor_restart_ipcproxy(), 0);
    EXPECT_EQ(fake::tails(), Lines{"installing ixor process ipc_proxy...\n"});
    EXPECT_EQ(fake::platform().processes["ipc_proxy"],
              "[process]\nname=ipc_proxy\nbinary=ipc_proxy.exe\n");
    EXPECT_EQ(fake::calls(),
              (Lines{"is_ixor_process_config_exists ipc_proxy", "get_apphome_path_main",
                     "ixor_ini_file_load " + paths::startup, "install_ixor_process ipc_proxy",
                     "ixor_ini_file_free"}));
}

TEST_F(Restart, UpdateIsAnnouncedFirst)
{
    fake::platform().processes["ipc_proxy"] = "old";
    EXPECT_EQ(ixor_restart_ipcproxy(), 0);
    EXPECT_EQ(fake::tails(), (Lines{"updating ipc_proxy startup config\n",
                                    "installing ixor process ipc_proxy...\n"}));
}

TEST_F(Restart, Failures)
{
    fake::platform().apphome_result = 2;
    EXPECT_EQ(ixor_restart_ipcproxy(), -1);
    EXPECT_EQ(fake::tails(), (Lines{"installing ixor process ipc_proxy...\n",
                                    "ixor_apphome.ini not exists.\n"}));

    SetUp();
    fake::platform().files.clear();
    EXPECT_EQ(ixor_restart_ipcproxy(), -1);
    EXPECT_EQ(fake::tails().back(), "load ipc_proxy.eni config failed\n");
    EXPECT_EQ(fake::platform().processes.count("ipc_proxy"), 0u);

    SetUp();
    fake::platform().install_result = 42;
    EXPECT_EQ(ixor_restart_ipcproxy(), 42);
    EXPECT_EQ(fake::tails().back(), "install_ixor_process failed\n");
    EXPECT_EQ(fake::calls().back(), "ixor_ini_file_free");
}

}  // namespace
