// End to end on the shipped libraries: the winner's reachable candidate
// reaches the proxy configuration and the proxy follows registrations, also
// when processes churn them at once; the queries read the proxy's files.
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

// churn CODE ROUNDS KEEP: registers and withdraws CODE ROUNDS times; with
// KEEP 1 it ends registered with priority = its last round % 90 + 1.
IXOR_TEST_CHILD_MODE(churn)
{
    const char *code = args.at(0).c_str();
    int rounds = std::stoi(args.at(1));
    for (int i = 1; i <= rounds; i++) {
        const std::string priority = std::to_string(i % 90 + 1), port = std::to_string(2000 + i);
        if (ixor_change_ipcproxy_addrport(code, priority.c_str(), code, port.c_str(), nullptr) ||
            ((i < rounds || args.at(2) != "1") && ixor_remove_product_config(code) != 0)) {
            return 1;
        }
    }
    return 0;
}

TEST(Concurrency, ProcessesChurnTheirOwnRegistrations)
{
    AgentRoot agent;
    const int rounds = process_starts_are_costly() ? 10 : 40;
    std::vector<Child> running;
    for (int c = 0; c < 4; c++) {
        std::string code = "C" + std::to_string(c);
        agent.register_product(code);
        running.push_back(
            Child::start("churn", {code, std::to_string(rounds + c), c % 2 == 0 ? "1" : "0"}));
    }
    for (Child &child : running) {
        EXPECT_EQ(child.wait(), 0);
    }
    for (int c = 0; c < 4; c++) {
        EXPECT_EQ(ini_value(agent.registrations(), ("C" + std::to_string(c)).c_str(), "priority"),
                  c % 2 == 0 ? std::to_string((rounds + c) % 90 + 1) : "<absent>")
            << c;
    }
    ASSERT_EQ(regenerate_ipc_proxy_conf_restart(), 0);
    // C2 ends with priority rounds+3, C0 with rounds+1: C2 wins.
    EXPECT_EQ(ini_value(agent.proxy_conf(), "config", "addr"), "C2");
    EXPECT_EQ(ini_value(agent.proxy_conf(), "config", "port"), std::to_string(2000 + rounds + 2));
    EXPECT_TRUE(file_exists(agent.process_record()));
}

}  // namespace
