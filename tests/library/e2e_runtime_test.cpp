// The runtime queries and the lookup through the shipped libraries on real
// files below a temporary agent root.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "agent_root.h"
#include "ixor_ipc.h"

namespace {

using ixor_test::AgentRoot;
using ixor_test::file_exists;
using ixor_test::write_file;

TEST(RuntimeFiles, ConnectAddressAndLocalPort)
{
    AgentRoot agent;
    write_file(agent.ipc("connect.ini"), "[connect]\nip=127.0.0.9\nport=7443\n");
    char addr[32] = "";
    int port = 0;
    EXPECT_EQ(ixor_get_ipcproxy_connectaddr(addr, sizeof addr, &port), 0);
    EXPECT_STREQ(addr, "127.0.0.9");
    EXPECT_EQ(port, 7443);
    EXPECT_TRUE(file_exists(agent.ipc("connect.ini.lock"))) << "lock beside the file";

    // Sizes below 1 leave the buffer alone, 1 holds the terminator only;
    // both outputs are optional.
    for (int size : {0, -1, INT_MIN}) {
        char keep[4] = "abc";
        EXPECT_EQ(ixor_get_ipcproxy_connectaddr(keep, size, nullptr), 0);
        EXPECT_STREQ(keep, "abc") << size;
    }
    EXPECT_EQ(ixor_get_ipcproxy_connectaddr(addr, 1, nullptr), 0);
    EXPECT_EQ(addr[0], '\0');
    EXPECT_EQ(ixor_get_ipcproxy_connectaddr(nullptr, 0, nullptr), 0);

    write_file(agent.ipc("connect.ini"), "[other]\nip=127.0.0.13\n");
    std::strcpy(addr, "keep");
    EXPECT_EQ(ixor_get_ipcproxy_connectaddr(addr, sizeof addr, &port), 0);
    EXPECT_STREQ(addr, "keep") << "absent keys";
    EXPECT_EQ(port, 0);

    const std::pair<const char *, int> ports[] = {
        {"[local]\nipc_port=17001\n", 17001}, {"[local]\nipc_port=0\n", 0},
        {"[local]\nipc_port=-4\n", -4},       {"[local]\nipc_port=99999\n", 99999},
        {"[local]\n", 0},                     {"[remote]\nipc_port=5\n", 0}};
    for (const auto &[text, expected] : ports) {
        write_file(agent.ipc("server_port.ini"), text);
        EXPECT_EQ(ixor_get_ipcproxy_localport(), expected) << text;
    }
    EXPECT_EQ(agent.log_text(), "") << "success writes no line";
}

TEST(RuntimeFiles, LookupOfRegistrations)
{
    AgentRoot agent;
    write_file(agent.registrations(),
               "[P1]\npriority=5\naddr=127.0.0.11;127.0.0.12\nport=8080\nuid=42\n[P2]\n");
    char addr[64] = "";
    int port = 0, uid = 0;
    EXPECT_EQ(ixor_get_ipcproxy_addrport("P1", addr, sizeof addr, &port, &uid), 0);
    EXPECT_STREQ(addr, "127.0.0.11;127.0.0.12");
    EXPECT_EQ(port, 8080);
    EXPECT_EQ(uid, 42);

    std::memset(addr, 'x', sizeof addr);
    EXPECT_EQ(ixor_get_ipcproxy_addrport("P1", addr, 4, nullptr, nullptr), 0);
    EXPECT_EQ(std::string(addr, 5), std::string("127\0x", 5));
    port = 0;
    EXPECT_EQ(ixor_get_ipcproxy_addrport("P1", nullptr, -5, &port, nullptr), 0);
    EXPECT_EQ(port, 8080);
    uid = 0;
    EXPECT_EQ(ixor_get_ipcproxy_addrport("P1", nullptr, 0, nullptr, &uid), 0);
    EXPECT_EQ(uid, 42);
    EXPECT_EQ(agent.log_text(), "");

    // An absent product or absent keys: 0, zeros, and the buffer left alone.
    for (const char *code : {"P2", "P3"}) {
        std::strcpy(addr, "keep");
        port = uid = 9;
        EXPECT_EQ(ixor_get_ipcproxy_addrport(code, addr, sizeof addr, &port, &uid), 0);
        EXPECT_STREQ(addr, "keep");
        EXPECT_EQ(port, 0);
        EXPECT_EQ(uid, 0);
    }
    EXPECT_EQ(ixor_get_ipcproxy_addrport("P1", nullptr, 0, nullptr, nullptr), -1);
    EXPECT_NE(agent.log_text().find("] register_OLQ_config failed: invalid parameter\n"),
              std::string::npos);
}

}  // namespace
