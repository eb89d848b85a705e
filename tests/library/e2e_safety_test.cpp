// What a hostile local user or system can put in the libraries' way, on
// real files: homes too long for the paths below them, a permissive umask,
// links and special files where the files belong.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <set>
#include <thread>

#include "agent_root.h"
#include "ixor_ipc.h"
#include "ixor_ipc_files.h"
#include "ixor_ipc_limits.h"
#include "ixoraux.h"

namespace {

using namespace ixor_test;
namespace fs = std::filesystem;

std::set<std::string> tree(const std::string &dir)
{
    std::set<std::string> paths;
    for (const auto &entry : fs::recursive_directory_iterator(fs::u8path(dir)))
        paths.insert(entry.path().generic_u8string());
    return paths;
}

int change(const char *port)
{
    return ixor_change_ipcproxy_addrport("P1", "5", "127.0.0.1", port, nullptr);
}

IXOR_TEST_CHILD_MODE(change) { return change(args.at(0).c_str()) == 0 ? 0 : 1; }

// The child's exit status, or -2 when the wait runs out (it is killed then).
int finish_within(Child child, std::chrono::seconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (child.running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return child.running() ? -2 : child.wait();
}

// The longest path below a home is the registration file's lock path; a
// home one byte longer would cut it short, or cut two files to one name.
TEST(Safety, HomesTooLongForThePathsBelowThemAreNotFound)
{
    const size_t longest_home =
        IXOR_PATH_MAX - 1 - std::strlen("/" IXOR_FILE_REGISTRATIONS ".lock");
    for (const size_t extra : {0, 1, 17}) {
        AgentRoot agent;
        agent.move_home(std::string(longest_home + extra - agent.root().size() - 1, 'h'));
        agent.register_product("P1");
        const auto before = tree(agent.root());
        char addr[8] = "";
        if (extra == 0) {
            EXPECT_EQ(change("7001"), 0);
            EXPECT_EQ(ini_value(agent.registrations(), "P1", "port"), "7001");
            EXPECT_EQ(ini_value(agent.proxy_conf(), "config", "port"), "7001");
            EXPECT_TRUE(file_exists(agent.registrations() + ".lock"));
            continue;
        }
        EXPECT_EQ(change("7001"), -1) << extra;
        EXPECT_EQ(ixor_get_ipcproxy_addrport("P1", addr, sizeof addr, nullptr, nullptr), -1);
        EXPECT_EQ(tree(agent.root()), before) << extra;
        EXPECT_NE(agent.log_text().find("ixor_apphome.ini not exists.\n"), std::string::npos);
    }
}

TEST(Safety, NothingCreatedIsWritableByOthersWhateverTheUmask)
{
    AgentRoot agent;
    const auto before = tree(agent.root());
    const int old_mask = set_umask(0);
    if (old_mask < 0)
        GTEST_SKIP() << "no permission bits on this system";
    agent.register_product("P1");
    EXPECT_EQ(change("7001"), 0);
    EXPECT_EQ(ixor_autolog_init((agent.root() + "/more/logs").c_str(), 5), 0);
    ixor_log_output(0, "a line\n");
    set_umask(old_mask);
    size_t created = 0;
    for (const std::string &path : tree(agent.root())) {
        if (before.count(path))
            continue;
        ++created;
        const bool lock = path.size() > 5 && path.compare(path.size() - 5, 5, ".lock") == 0;
        EXPECT_EQ(mode_of(path), fs::is_directory(fs::u8path(path)) ? 0755
                                 : lock                             ? 0600
                                                                    : 0644)
            << path;
    }
    EXPECT_GE(created, 10u) << "registrations, proxy configuration, process record, logs, locks";
}

TEST(Safety, LinksAndSpecialFilesAreNeitherFollowedNorWaitedOn)
{
    AgentRoot agent;
    agent.register_product("P1");
    const std::string target = agent.root() + "/target";
    if (!make_symlink(target, agent.registrations() + ".lock"))
        GTEST_SKIP() << "no symbolic links on this system";
    EXPECT_EQ(change("7001"), -1);
    EXPECT_FALSE(file_exists(target)) << "the lock's link was followed";
    EXPECT_NE(agent.log_text().find("flock file failed"), std::string::npos);
    fs::remove(fs::u8path(agent.registrations() + ".lock"));
    fs::remove(fs::u8path(agent.registrations()));

    write_file(target, "kept\n");
    fs::remove(fs::u8path(agent.root() + "/logs/ixor.log"));
    ASSERT_TRUE(make_symlink(target, agent.root() + "/logs/ixor.log"));
    EXPECT_EQ(ixor_remove_product_config("P9"), -1);
    EXPECT_EQ(read_file(target), "kept\n") << "the log's link was followed";

    ASSERT_TRUE(make_fifo(agent.registrations()));
    EXPECT_EQ(finish_within(Child::start("change", {"7002"}), std::chrono::seconds(20)), 1);
    fs::remove(fs::u8path(agent.registrations()));
    fs::create_directory(fs::u8path(agent.registrations()));
    EXPECT_EQ(change("7003"), -1) << "a folder in the file's place";
}

}  // namespace
