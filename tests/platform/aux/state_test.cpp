// Product registration and installation state, and process configurations,
// in real files below a temporary root.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include <future>

#include "agent_root.h"
#include "ixoraux.h"
#include "ixorbase_handles.h"

using namespace ixor_test;
using testing::UnorderedElementsAre;
using namespace std::string_literals;

namespace {

// Start-up descriptions, in the form a save writes them.
const char *const first_startup =
    "[process]\npath=bin/ipc_proxy\nargs=-c config/ixor_ipcproxy.ini\n\n[restart]\ndelay=5\n";
const char *const second_startup = "[process]\npath=bin/ipc_proxy2\n";

int install(const char *name, const char *text)
{
    TempDir dir;
    write_file(dir.file("startup.ini"), text);
    const ixorbase::IniPtr startup(ixor_ini_file_load(dir.file("startup.ini").c_str()));
    return install_ixor_process(name, startup.get());
}

TEST(ProductState, FollowsTheSectionsOfEachFile)
{
    AgentRoot agent;
    const std::string registered = agent.home() + "/config/product_register.eni";
    EXPECT_EQ(is_product_register("ABC"), 0) << "no file yet";
    write_file(registered, "[ABC]\nx=1\n[count]\nnum=1\n");
    write_file(agent.home() + "/config/product_installed.eni", "[HVK]\nx=1\n");
    for (const char *code :
         {"ABD", "abc", "count", "HVK", "", "A]\n[ABC", static_cast<const char *>(nullptr)})
        EXPECT_EQ(is_product_register(code), 0) << (code ? code : "null");
    EXPECT_NE(is_product_register("ABC"), 0);
    EXPECT_NE(is_product_installed("HVK"), 0);
    EXPECT_EQ(is_product_installed("ABC"), 0);
    agent.move_home("elsewhere");
    EXPECT_EQ(is_product_register("ABC"), 0) << "the home decides";
}

// Adding and removing keep the count equal to the products; repeating
// either changes nothing; codes that could forge a section are refused.
TEST(ProductRegistration, KeepsOneSectionPerProductAndTheCount)
{
    AgentRoot agent;
    const std::string file = agent.home() + "/config/product_register.eni";
    ASSERT_EQ(add_product_register("ABC"), 0);
    ASSERT_EQ(add_product_register("XYZ"), 0);
    EXPECT_EQ(ini_value(file, "count", "num"), "2");
    const std::string before = read_file(file);
    EXPECT_EQ(add_product_register("ABC"), 0);
    EXPECT_EQ(read_file(file), before);
    for (const std::string &code :
         {"count"s, ""s, "A\nB"s, "A]"s, "[A"s, " ABC"s, "ABC "s, std::string(257, 'Q')}) {
        EXPECT_NE(add_product_register(code.c_str()), 0) << code.substr(0, 20);
        EXPECT_NE(remove_product_register(code.c_str()), 0) << code.substr(0, 20);
    }
    EXPECT_EQ(read_file(file), before);
    EXPECT_EQ(remove_product_register("ABC"), 0);
    EXPECT_EQ(remove_product_register("ABC"), 0) << "removing an absent one";
    EXPECT_EQ(is_product_register("ABC"), 0);
    EXPECT_EQ(ini_value(file, "count", "num"), "1");
    EXPECT_THAT(sections_in(file), UnorderedElementsAre("XYZ", "count"));
}

// Writers take the lock file beside the registration file.
TEST(ProductRegistration, WaitsForTheLockOtherWritersHold)
{
    AgentRoot agent;
    const std::string file = agent.home() + "/config/product_register.eni";
    std::future<int> adding;
    {
        const ixorbase::FileLock lock(file);
        ASSERT_TRUE(lock.held());
        adding = std::async(std::launch::async, [] { return add_product_register("LATE"); });
        EXPECT_EQ(adding.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
        EXPECT_FALSE(file_exists(file));
    }
    EXPECT_EQ(adding.get(), 0);
    EXPECT_NE(is_product_register("LATE"), 0);
}

// An install writes the description whole and an update replaces it;
// names that could leave the process folder are refused.
TEST(ProcessConfig, InstallUpdateAndUninstall)
{
    AgentRoot agent;
    const std::string record = agent.process_record();
    EXPECT_EQ(is_ixor_process_config_exists("ipc_proxy"), 0);
    ASSERT_EQ(install("ipc_proxy", first_startup), 0);
    EXPECT_EQ(read_file(record), first_startup);
    EXPECT_NE(is_ixor_process_config_exists("ipc_proxy"), 0);
    EXPECT_EQ(is_ixor_process_config_exists("other"), 0);
    ASSERT_EQ(install("ipc_proxy", second_startup), 0);
    EXPECT_EQ(read_file(record), second_startup);
    for (const char *name : {static_cast<const char *>(nullptr), "", "../product_register", "a/b",
                             "a\\b", "c:evil", ".."}) {
        EXPECT_NE(install(name, first_startup), 0) << (name ? name : "null");
        EXPECT_NE(uninstall_ixor_process(name), 0) << (name ? name : "null");
    }
    EXPECT_NE(install_ixor_process("new", nullptr), 0);
    EXPECT_FALSE(file_exists(agent.home() + "/config/product_register.eni"));
    const auto lock = std::filesystem::u8path(record + ".lock");
    std::filesystem::remove(lock);
    std::filesystem::create_directory(lock);
    EXPECT_NE(uninstall_ixor_process("ipc_proxy"), 0) << "a folder where the lock belongs";
    std::filesystem::remove(lock);
    EXPECT_EQ(uninstall_ixor_process("ipc_proxy"), 0);
    EXPECT_FALSE(file_exists(record));
    EXPECT_EQ(is_ixor_process_config_exists("ipc_proxy"), 0);
    EXPECT_NE(uninstall_ixor_process("ipc_proxy"), 0) << "nothing left to remove";
}

// Installers racing on one record leave one whole description, never a mix.
TEST(ProcessConfig, ConcurrentInstallersLeaveOneWholeRecord)
{
    AgentRoot agent;
    std::vector<std::future<int>> results;
    for (const char *text : {first_startup, second_startup, first_startup})
        results.push_back(std::async(std::launch::async, [text] {
            int failures = 0;
            for (int i = 0; i < 20; ++i)
                failures += install("ipc_proxy", text) != 0;
            return failures;
        }));
    for (auto &r : results)
        EXPECT_EQ(r.get(), 0);
    const std::string text = read_file(agent.process_record());
    EXPECT_TRUE(text == first_startup || text == second_startup) << text;
}

}  // namespace
