// What another local account (uid 65534) can do to an agent that runs as
// root: hold none of its locks, plant no folder or file that it then uses,
// feed no log of its; and what that account can still do: look up.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "agent_root.h"
#include "ixor_ipc.h"
#include "ixor_ipc_files.h"
#include "ixoraux.h"

namespace {

using namespace ixor_test;
namespace fs = std::filesystem;

#define NEEDS_OTHER_USER()                                                                         \
    if (!OtherUser::available())                                                                   \
    GTEST_SKIP() << "acting as another account needs a POSIX system and root"

int change(const char *port)
{
    return ixor_change_ipcproxy_addrport("P1", "5", "127.0.0.1", port, nullptr);
}

// Runs the body as the other account; its result.
int as_other_user(const std::function<int()> &body)
{
    OtherUser user([&](const std::function<void()> &) { return body(); });
    return user.wait();
}

// P1's endpoint as "addr:port", or "-1" when the lookup fails.
std::string looked_up()
{
    char addr[64] = "";
    int port = 0;
    if (ixor_get_ipcproxy_addrport("P1", addr, sizeof addr, &port, nullptr) != 0)
        return "-1";
    return std::string(addr) + ":" + std::to_string(port);
}

void set_mode(const std::string &path, int mode)
{
    fs::permissions(fs::u8path(path), static_cast<fs::perms>(mode));
}

bool logged(const AgentRoot &agent, const std::string &line)
{
    return agent.log_text().find(line) != std::string::npos;
}

TEST(HostileUser, HoldsNoLockOfTheAgent)
{
    NEEDS_OTHER_USER();
    AgentRoot agent;
    agent.register_product("P1");
    ASSERT_EQ(change("7001"), 0);
    const std::string locks[] = {agent.registrations() + ".lock", agent.proxy_conf() + ".lock",
                                 agent.process_record() + ".lock"};
    set_mode(locks[1], 0644);  // as an older build left it
    ASSERT_EQ(change("7002"), 0);
    for (const std::string &lock : locks) {
        SCOPED_TRACE(lock);
        EXPECT_EQ(mode_of(lock), 0600);
        OtherUser holder([&](const std::function<void()> &ready) {
            if (read_lock(lock) < 0)
                return other_user_failed;
            ready();
            std::this_thread::sleep_for(std::chrono::seconds(60));
            return 0;
        });
        holder.wait_ready();
        EXPECT_TRUE(lock_free(lock));
    }
}

TEST(HostileUser, FolderMadeFirstInASharedHomeIsRefused)
{
    NEEDS_OTHER_USER();
    AgentRoot agent;
    agent.register_product("P1");
    const std::string ipc_dir = agent.ipc("");
    const std::string startup = read_file(agent.ipc("ipc_proxy.eni"));
    fs::remove_all(fs::u8path(ipc_dir));
    set_mode(agent.home() + "/config", 0777);
    ASSERT_EQ(as_other_user([&] {
                  write_file(agent.ipc("ipc_proxy.eni"), startup);
                  write_file(agent.registrations(), "[P1]\naddr=6.6.6.6\nport=6666\npriority=9\n");
                  return 0;
              }),
              0);
    EXPECT_EQ(change("7001"), -1);
    EXPECT_EQ(regenerate_ipc_proxy_conf_restart(), -2);
    EXPECT_FALSE(file_exists(agent.proxy_conf()));
    EXPECT_EQ(mode_of(agent.home() + "/config"), 0755);
    EXPECT_TRUE(logged(agent, "refusing " + agent.home() +
                                  "/config/ixor_ipcproxy: owned by uid "
                                  "65534, neither root nor this account"));
}

TEST(HostileUser, ProcessFolderMadeFirstGetsNoRecord)
{
    NEEDS_OTHER_USER();
    AgentRoot agent;
    agent.register_product("P1");
    set_mode(agent.home() + "/config", 0777);
    const std::string process_dir = agent.home() + "/config/process";
    ASSERT_EQ(as_other_user([&] { return fs::create_directory(fs::u8path(process_dir)) ? 0 : 1; }),
              0);
    change("7001");
    EXPECT_FALSE(file_exists(agent.process_record()));
    EXPECT_EQ(install_ixor_process("ipc_proxy", nullptr), -1);
    EXPECT_TRUE(logged(agent, "refusing " + process_dir + ": owned by uid 65534"));
}

// An install that an older build left open to everybody is narrowed by the
// next call of its owner, after which the other account can change nothing.
TEST(HostileUser, ModesLeftOpenAreNarrowedByTheOwner)
{
    NEEDS_OTHER_USER();
    AgentRoot agent;
    agent.register_product("P1");
    ASSERT_EQ(change("7001"), 0);
    for (const auto &entry : fs::recursive_directory_iterator(fs::u8path(agent.root())))
        set_mode(entry.path().u8string(), entry.is_directory() ? 0777 : 0666);
    set_mode(agent.root(), 0777);
    ASSERT_EQ(change("7002"), 0);
    const struct {
        std::string path;
        int mode;
    } narrowed[] = {
        {agent.root(), 0755},
        {agent.root() + "/ixor_apphome.ini", 0644},
        {agent.home() + "/config", 0755},
        {agent.ipc(""), 0755},
        {agent.registrations(), 0644},
        {agent.registrations() + ".lock", 0600},
        {agent.proxy_conf(), 0644},
        {agent.process_record(), 0644},
    };
    for (const auto &[path, mode] : narrowed)
        EXPECT_EQ(mode_of(path), mode) << path;
    EXPECT_NE(as_other_user([&] {
                  write_file(agent.root() + "/ixor_apphome.ini", "[apphome]\npath=/tmp\n");
                  return 0;
              }),
              0);
    EXPECT_TRUE(logged(agent, "narrowed " + agent.root() + "/ixor_apphome.ini from 0666 to 0644"));
}

// A folder left open to every account by an older build or another program
// is narrowed by its owner's next call.
TEST(HostileUser, FolderLeftOpenIsNarrowedByItsOwner)
{
    AgentRoot agent;
    agent.register_product("P1");
    ASSERT_EQ(change("7001"), 0);
    const std::string ipc_dir = agent.home() + "/config/ixor_ipcproxy";
    if (!open_to_everybody(ipc_dir))
        GTEST_SKIP() << "no way here to let every account write a folder";
    ASSERT_EQ(change("7002"), 0);
    EXPECT_FALSE(others_may_write(ipc_dir));
    EXPECT_TRUE(logged(agent, "narrowed " + ipc_dir));
}

// Where another account owns a folder on the way to the agent's files, or
// its lock file, the agent uses neither.
TEST(HostileUser, FolderOrFileOfAnotherAccountIsRefused)
{
    for (const char *planted : {"/config/ixor_ipcproxy", "/" IXOR_FILE_REGISTRATIONS ".lock"}) {
        AgentRoot agent;
        agent.register_product("P1");
        ASSERT_EQ(change("7001"), 0);
        if (!give_to_other_account(agent.home() + planted))
            GTEST_SKIP() << "no owner but the caller can be set here (not as a user, not in wine)";
        EXPECT_EQ(change("7002"), -1) << planted;
        EXPECT_TRUE(logged(agent, "refusing " + agent.home() + planted + ": owned by ")) << planted;
    }
}

TEST(HostileUser, LinkAtAFolderIsNotFollowed)
{
    AgentRoot agent;
    agent.register_product("P1");
    const std::string elsewhere = agent.root() + "/elsewhere";
    fs::rename(fs::u8path(agent.ipc("")), fs::u8path(elsewhere));
    if (!make_folder_link(elsewhere, agent.home() + "/config/ixor_ipcproxy"))
        GTEST_SKIP() << "no folder links here (wine makes no junction)";
    EXPECT_EQ(change("7001"), -1);
    EXPECT_FALSE(file_exists(elsewhere + "/ixor_ipcproxy_pre.eni"));
    EXPECT_TRUE(logged(agent, "refusing " + agent.home() + "/config/ixor_ipcproxy: a link"));
}

TEST(HostileUser, FileMadeFirstAtALogPathGetsNoLines)
{
    NEEDS_OTHER_USER();
    AgentRoot agent;
    const std::string shared = agent.root() + "/shared";
    fs::create_directory(fs::u8path(shared));
    set_mode(shared, 01777);
    ASSERT_EQ(as_other_user([&] {
                  write_file(shared + "/ixor.log", "");
                  return 0;
              }),
              0);
    EXPECT_EQ(ixor_autolog_init(shared.c_str(), 5), -1);
    ixor_log_output(0, "a line of root's\n");
    EXPECT_EQ(read_file(shared + "/ixor.log"), "");
}

// A scanner or backup tool that holds the registration file open without
// delete sharing delays a change for a moment, and fails none.
TEST(HostileReader, HoldingAFileDelaysASaveButFailsNone)
{
    AgentRoot agent;
    agent.register_product("P1");
    ASSERT_EQ(change("7001"), 0);
    const HeldOpen scanner(agent.registrations(), 300);
    if (!scanner.held())
        GTEST_SKIP() << "files are held without delete sharing on Windows only";
    EXPECT_EQ(change("7002"), 0);
    EXPECT_EQ(ini_value(agent.registrations(), "P1", "port"), "7002");
}

// Without write access to the agent's folders, a lookup reads without the
// lock, whether the lock file is there or not.
TEST(UnprivilegedReader, LooksUpWithOrWithoutTheLockFile)
{
    NEEDS_OTHER_USER();
    AgentRoot agent;
    agent.register_product("P1");
    ASSERT_EQ(change("7001"), 0);
    const std::string lock = agent.registrations() + ".lock";
    for (const bool lock_there : {true, false}) {
        SCOPED_TRACE(lock_there ? "lock file there" : "no lock file");
        if (!lock_there)
            fs::remove(fs::u8path(lock));
        EXPECT_EQ(as_other_user([] { return looked_up() == "127.0.0.1:7001" ? 0 : 1; }), 0);
        EXPECT_EQ(file_exists(lock), lock_there);
    }
}

}  // namespace
