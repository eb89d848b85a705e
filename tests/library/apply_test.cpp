// The apply step: the sibling product, removal, threshold, probing of the
// candidates, generation and restart.
#include <gtest/gtest.h>

#include <algorithm>

#include "fake_platform.h"
#include "frame_paths.h"
#include "ini_document.h"
#include "ixor_ipc.h"
#include "ixor_ipc_internal.h"
#include "listener.h"

namespace {

using Lines = std::vector<std::string>;

bool called(const std::string &call)
{
    return std::find(fake::calls().begin(), fake::calls().end(), call) != fake::calls().end();
}

std::string configured(const std::string &key)
{
    auto doc = ixorbase::IniDocument::parse(fake::platform().files[paths::proxy_conf]);
    const std::string *value = doc.get("config", key);
    return value ? *value : "<absent>";
}

class Apply : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::reset();
        fake::platform().log_level = 2;
        fake::put_file(paths::startup, "[process]\nname=ipc_proxy\n");
    }
    void apply(const std::string &registrations, int threshold)
    {
        fake::put_file("/reg.eni", registrations);
        ixor_ini *ini = ixor_ini_file_load("/reg.eni");
        fake::platform().calls.clear();
        ixor_apply_ipcproxy_conf(ini, threshold);
        ixor_ini_file_free(ini);
        fake::platform().calls.pop_back();
    }
};

TEST_F(Apply, SiblingProductLeavesTheProxyAlone)
{
    fake::platform().registered.insert("HVK");
    fake::platform().processes["ipc_proxy"] = "x";
    apply("", 100);
    EXPECT_EQ(fake::tails(), Lines{"is running hvk, skip ipc_proxy config convert step...\n"});
    EXPECT_EQ(fake::calls(), Lines{"is_product_register HVK"});

    fake::platform().registered.clear();
    fake::platform().installed.insert("HVK");
    fake::platform().lines.clear();
    apply("[a]\npriority=1\naddr=b\nport=2\n", 100);
    EXPECT_EQ(fake::tails(), Lines{"is running hvk, skip ipc_proxy config convert step...\n"});
    EXPECT_EQ(fake::calls(), (Lines{"is_product_register HVK", "is_product_installed HVK"}));
    EXPECT_EQ(fake::platform().processes.count("ipc_proxy"), 1u);
}

TEST_F(Apply, NoRegistrationAndNoProxy)
{
    apply("[HVK]\npriority=100\naddr=h\nport=1\n", 0);
    EXPECT_EQ(fake::tails(), Lines{"ipc_proxy service not loaded, skip unload step.\n"});
    EXPECT_FALSE(called("uninstall_ixor_process ipc_proxy"));
}

TEST_F(Apply, NoRegistrationRemovesTheProxyAfterTheDelay)
{
    fake::platform().processes["ipc_proxy"] = "x";
    fake::put_file(paths::product_register, "[count]\nnum=2\n");
    apply("", 0);
    const Lines &c = fake::calls();
    auto sleep = std::find(c.begin(), c.end(), "ixor_sleep 3");
    auto uninstall = std::find(c.begin(), c.end(), "uninstall_ixor_process ipc_proxy");
    ASSERT_NE(sleep, c.end());
    EXPECT_EQ(sleep + 1, uninstall);
    EXPECT_EQ(fake::platform().processes.count("ipc_proxy"), 0u);
}

TEST_F(Apply, FailedRemovalIsLogged)
{
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

TEST_F(Apply, ThresholdEqualConfiguresAndInstalls)
{
    // Two candidates, the second empty: only the first can be probed.
    std::string port = std::to_string(ixor_test::closed_port());
    apply("[a]\npriority=60\naddr=127.0.0.1;\nport=" + port + "\nuid=4\n[b]\npriority=10\n", 60);
    EXPECT_EQ(configured("addr"), "127.0.0.1") << "an empty second candidate is never chosen";
    EXPECT_EQ(configured("port"), port);
    EXPECT_EQ(configured("uid"), "4");
    EXPECT_TRUE(called("install_ixor_process ipc_proxy"));
}

TEST_F(Apply, SingleAddressIsTakenWholeWithoutProbe)
{
    apply("[a]\npriority=5\naddr=not a host\nport=80\n", 100);
    EXPECT_EQ(configured("addr"), "not a host");
    for (const std::string &line : fake::tails()) {
        EXPECT_EQ(line.find("domain"), std::string::npos) << "nothing was probed";
    }
}

TEST_F(Apply, FirstCandidateThatAnswersIsChosen)
{
    ixor_test::Listener listener;
    std::string port = std::to_string(listener.port());
    apply("[a]\npriority=5\naddr=127.0.0.2;127.0.0.1;localhost\nport=" + port + "\n", 100);
    // 127.0.0.2 has no listener on that port, 127.0.0.1 has.
    EXPECT_EQ(configured("addr"), "127.0.0.1");
}

TEST_F(Apply, NoCandidateAnswersFirstIsChosen)
{
    std::string port = std::to_string(ixor_test::closed_port());
    apply("[a]\npriority=5\naddr=127.0.0.3;127.0.0.2;127.0.0.4\nport=" + port + "\n", 100);
    EXPECT_EQ(configured("addr"), "127.0.0.3");
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

TEST_F(Apply, UnchangedConfigurationSkipsTheRestartOnlyWhenInstalled)
{
    fake::put_file(paths::proxy_conf, "[config]\naddr=127.0.0.11\nport=80\nuid=0\n");
    fake::platform().processes["ipc_proxy"] = "x";
    apply("[a]\npriority=5\naddr=127.0.0.11\nport=80\n", 100);
    EXPECT_EQ(fake::tails().back(), "config not changed, skip restart ipc_proxy process.\n");
    EXPECT_FALSE(called("install_ixor_process ipc_proxy"));

    fake::platform().processes.clear();
    apply("[a]\npriority=5\naddr=127.0.0.11\nport=80\n", 100);
    EXPECT_TRUE(called("install_ixor_process ipc_proxy"));
}

TEST_F(Apply, FailedRestartIsLogged)
{
    fake::platform().install_result = 3;
    apply("[a]\npriority=5\naddr=127.0.0.11\nport=80\n", 100);
    EXPECT_EQ(fake::tails().back(), "ixor_restart_ipcproxy failed!\n");
    EXPECT_EQ(configured("addr"), "127.0.0.11") << "the new configuration stays";
}

TEST(SiblingPresence, RegisteredOrInstalled)
{
    fake::reset();
    EXPECT_EQ(is_running_hvk(), 0);
    fake::platform().installed.insert("HVK");
    EXPECT_EQ(is_running_hvk(), 1);
    fake::reset();
    fake::platform().registered.insert("HVK");
    EXPECT_EQ(is_running_hvk(), 1);
    EXPECT_EQ(fake::calls(), Lines{"is_product_register HVK"});
}

}  // namespace
