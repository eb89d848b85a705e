// The road of registrations end to end on the shipped libraries: products
// register, the winner's reachable candidate reaches the proxy
// configuration, the proxy is installed, follows removals and goes away
// with the last registration.
#include <gtest/gtest.h>

#include <cstdio>

#include "agent_root.h"
#include "ixor_ipc.h"
#include "ixoraux.h"

namespace {

using ixor_test::AgentRoot;
using ixor_test::file_exists;
using ixor_test::ini_value;
using ixor_test::read_file;

class Road : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(upstream.listening());
        agent.register_product("P1");
        agent.register_product("P2");
    }
    std::string proxy(const char *key) const
    {
        return ini_value(agent.proxy_conf(), "config", key);
    }
    int change(const char *code, const char *priority, const char *addr, const char *port)
    {
        return ixor_change_ipcproxy_addrport(code, priority, addr, port, nullptr);
    }
    AgentRoot agent;
    ixor_test::Listener upstream;
    std::string port = std::to_string(upstream.port());
};

TEST_F(Road, ProxyFollowsTheWinnerThroughChangesAndRemovals)
{
    ASSERT_EQ(ixor_change_ipcproxy_addrport("P1", "50", "127.0.0.2;127.0.0.1", port.c_str(), "11"),
              0);
    EXPECT_EQ(proxy("addr"), "127.0.0.1") << "the first candidate that answers";
    EXPECT_EQ(proxy("port"), port);
    EXPECT_EQ(proxy("uid"), "11");
    EXPECT_EQ(read_file(agent.process_record()), read_file(agent.ipc("ipc_proxy.eni")));

    ASSERT_EQ(change("P2", "80", "localhost", "7001"), 0);
    EXPECT_EQ(proxy("addr"), "localhost");
    EXPECT_EQ(proxy("port"), "7001");
    EXPECT_EQ(proxy("uid"), "0");

    ASSERT_EQ(ixor_remove_product_config("P2"), 0);
    EXPECT_EQ(proxy("addr"), "127.0.0.1");
    EXPECT_EQ(proxy("port"), port);

    ASSERT_EQ(ixor_remove_product_config("P1"), 0);
    EXPECT_FALSE(file_exists(agent.process_record())) << "removed with the last registration";
    EXPECT_NE(agent.log_text().find("no module has registered, delay to uninstall ipc_proxy."),
              std::string::npos);
    EXPECT_EQ(regenerate_ipc_proxy_conf_restart(), 0);
    EXPECT_FALSE(file_exists(agent.process_record()));
}

TEST_F(Road, UnchangedConfigurationIsNotRewritten)
{
    ASSERT_EQ(change("P1", "60", "127.0.0.1", "1001"), 0);
    long long conf_time = ixor_test::file_mtime_ns(agent.proxy_conf());
    long long reg_time = ixor_test::file_mtime_ns(agent.registrations());
    std::string conf = read_file(agent.proxy_conf());
    ASSERT_EQ(change("P1", "60", "127.0.0.1", "1001"), 0);
    EXPECT_EQ(read_file(agent.proxy_conf()), conf);
    EXPECT_EQ(ixor_test::file_mtime_ns(agent.proxy_conf()), conf_time);
    EXPECT_EQ(ixor_test::file_mtime_ns(agent.registrations()), reg_time);
    EXPECT_NE(agent.log_text().find("config not changed, skip restart ipc_proxy process."),
              std::string::npos);
}

// With "HVK" registered or installed the proxy stays as it is, whatever
// the registrations do, and a change under its code is refused.
TEST_F(Road, SiblingProductKeepsTheProxyUntouched)
{
    ASSERT_EQ(change("P1", "60", "127.0.0.1", "1001"), 0);
    const std::string conf = read_file(agent.proxy_conf());
    const std::string record = read_file(agent.process_record());
    ASSERT_TRUE(file_exists(agent.process_record()));
    EXPECT_EQ(is_running_hvk(), 0);
    agent.register_product("HVK");
    EXPECT_EQ(is_running_hvk(), 1);
    EXPECT_EQ(change("HVK", "90", "127.0.0.1", "1003"), -1);
    EXPECT_EQ(change("P2", "70", "127.0.0.1", "1002"), 0);

    remove_product_register("HVK");
    agent.install_product("HVK");
    EXPECT_EQ(is_running_hvk(), 1);
    EXPECT_EQ(ixor_remove_product_config("P1"), 0);
    EXPECT_EQ(ixor_remove_product_config("P2"), 0);
    EXPECT_EQ(read_file(agent.proxy_conf()), conf);
    EXPECT_EQ(read_file(agent.process_record()), record);
    EXPECT_EQ(ini_value(agent.registrations(), "HVK", "addr"), "<absent>");
    const std::string log = agent.log_text();
    EXPECT_NE(log.find("] HVK is not permited to use ixor ipc_proxy!\n"), std::string::npos);
    EXPECT_NE(log.find("] is running hvk, skip ipc_proxy config convert step...\n"),
              std::string::npos);
}

TEST_F(Road, MissingStartupDescriptionInstallsNothing)
{
    std::remove(agent.ipc("ipc_proxy.eni").c_str());
    ASSERT_EQ(change("P1", "10", "127.0.0.1", "81"), 0);
    EXPECT_EQ(proxy("addr"), "127.0.0.1") << "the configuration is written all the same";
    EXPECT_FALSE(file_exists(agent.process_record()));
    std::string log = agent.log_text();
    EXPECT_NE(log.find("] load ipc_proxy.eni config failed\n"), std::string::npos) << log;
    EXPECT_NE(log.find("] ixor_restart_ipcproxy failed!\n"), std::string::npos) << log;
}

}  // namespace
