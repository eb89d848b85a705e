// The runtime queries and the lookup through the shipped libraries on real
// files below a temporary agent root.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "agent_root.h"
#include "ixor_ipc.h"

namespace {

using ixor_test::AgentRoot;
using ixor_test::file_exists;
using ixor_test::write_file;

TEST(RuntimeFiles, ConnectAddressWithItsDoubleSlashLock)
{
    AgentRoot agent;
    write_file(agent.ipc("connect.ini"), "[connect]\nip=127.0.0.9\nport=7443\n");
    char addr[32] = "";
    int port = 0;
    EXPECT_EQ(ixor_get_ipcproxy_connectaddr(addr, sizeof addr, &port), 0);
    EXPECT_STREQ(addr, "127.0.0.9");
    EXPECT_EQ(port, 7443);
    EXPECT_TRUE(file_exists(agent.ipc("connect.ini.lock")));
    EXPECT_EQ(agent.log_text(), "") << "success writes no line";
}

// default-log: one failing query in a process that registered no log.
IXOR_TEST_CHILD_MODE(default_log)
{
    (void)args;
    return ixor_get_ipcproxy_localport();
}

TEST(RuntimeFiles, ProcessWithoutLogGetsTheDefaultOne)
{
    ixor_test::TempDir dir;
    ixor_test::ScopedEnv root("IXOR_ROOT_DIR", dir.path().c_str());
    ixor_test::ScopedEnv logs("IXOR_LOG_DIR", (dir.path() + "/shared").c_str());
    ixor_test::Child child = ixor_test::Child::start("default_log", {});
    EXPECT_EQ(child.wait(), 0);
    std::string found;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(dir.path())) {
        if (entry.is_regular_file() && entry.path().filename() == "ixor.log") {
            found = entry.path().generic_string();
        }
    }
    EXPECT_NE(found.find("/shared/Trelmox/IXOR3_LOG/ixor_default_autolog/"), std::string::npos)
        << found;
    std::string text = ixor_test::read_file(found);
    EXPECT_NE(text.find("] [warn] [pid:"), std::string::npos) << text;
    EXPECT_NE(text.find("[pux] [ixor_ipc_runtime.cpp:"), std::string::npos) << text;
    EXPECT_NE(text.find("] get_apphome_path_main failed\n"), std::string::npos) << text;
}

TEST(RuntimeFiles, AbsentFilesCreateNoLockAndLog)
{
    AgentRoot agent;
    char addr[8] = "keep";
    int port = 4;
    EXPECT_EQ(ixor_get_ipcproxy_connectaddr(addr, sizeof addr, &port), -1);
    EXPECT_EQ(ixor_get_ipcproxy_localport(), 0);
    EXPECT_EQ(ixor_get_ipcproxy_addrport("P1", addr, sizeof addr, &port, nullptr), -1);
    EXPECT_STREQ(addr, "keep");
    EXPECT_EQ(port, 4);
    EXPECT_FALSE(file_exists(agent.ipc("connect.ini.lock")));
    EXPECT_FALSE(file_exists(agent.ipc("server_port.ini.lock")));
    EXPECT_FALSE(file_exists(agent.registrations() + ".lock"));
    std::string log = agent.log_text();
    EXPECT_NE(log.find("[warn] "), std::string::npos);
    EXPECT_NE(log.find("] config not exists!\n"), std::string::npos) << log;
}

}  // namespace
