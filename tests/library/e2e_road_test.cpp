// End to end on the shipped libraries: the winner's reachable candidate
// reaches the proxy configuration and the proxy follows registrations; the
// queries read the proxy's files.
#include <gtest/gtest.h>

#include <string>

#include "agent_root.h"
#include "ixor_ipc.h"

namespace {

using namespace ixor_test;

TEST(Road, RegistrationsDriveTheProxyOnDisk)
{
    AgentRoot agent;
    Listener upstream;
    ASSERT_TRUE(upstream.listening());
    agent.register_product("P1");
    agent.register_product("P2");
    const std::string port = std::to_string(upstream.port());
    auto proxy = [&agent](const char *key) { return ini_value(agent.proxy_conf(), "config", key); };
    auto endpoint = [&proxy] { return proxy("addr") + ":" + proxy("port") + "/" + proxy("uid"); };

    ASSERT_EQ(ixor_change_ipcproxy_addrport("P1", "50", "127.0.0.2;127.0.0.1", port.c_str(), "11"),
              0);
    EXPECT_EQ(endpoint(), "127.0.0.1:" + port + "/11") << "the first candidate that answers";
    EXPECT_EQ(read_file(agent.process_record()), read_file(agent.ipc("ipc_proxy.eni")));
    // The proxy's own files are read under a lock beside each.
    write_file(agent.ipc("connect.ini"), "[connect]\nip=127.0.0.9\nport=7443\n");
    write_file(agent.ipc("server_port.ini"), "[local]\nipc_port=17001\n");
    char addr[32] = "";
    int connect_port = 0;
    EXPECT_EQ(ixor_get_ipcproxy_connectaddr(addr, sizeof addr, &connect_port), 0);
    EXPECT_EQ(addr + (":" + std::to_string(connect_port)), "127.0.0.9:7443");
    EXPECT_EQ(ixor_get_ipcproxy_localport(), 17001);
    EXPECT_TRUE(file_exists(agent.ipc("connect.ini.lock")) &&
                file_exists(agent.ipc("server_port.ini.lock")));
    ASSERT_EQ(ixor_change_ipcproxy_addrport("P2", "80", "localhost", "7001", nullptr), 0);
    EXPECT_EQ(endpoint(), "localhost:7001/0");
    ASSERT_EQ(ixor_remove_product_config("P2"), 0);
    EXPECT_EQ(endpoint(), "127.0.0.1:" + port + "/11");

    ASSERT_EQ(ixor_remove_product_config("P1"), 0);
    EXPECT_FALSE(file_exists(agent.process_record())) << "removed with the last registration";
    EXPECT_NE(agent.log_text().find("no module has registered, delay to uninstall ipc_proxy."),
              std::string::npos);
}

}  // namespace
