// Product registration and installation state, process records and the
// application home, in real files below a temporary root.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <memory>

#include "agent_root.h"
#include "ixoraux.h"
#include "ixorbase_handles.h"

using namespace ixor_test;
using namespace std::string_literals;

namespace {

const char *const startup =
    "[process]\npath=bin/ipc_proxy\nargs=-c config/ixor_ipcproxy.ini\n\n[restart]\ndelay=5\n";

int install(const char *name, const char *text)
{
    TempDir dir;
    write_file(dir.file("s.ini"), text);
    return install_ixor_process(
        name, ixorbase::IniPtr(ixor_ini_file_load(dir.file("s.ini").c_str())).get());
}

std::string register_file(const AgentRoot &agent)
{
    return agent.home() + "/config/product_register.eni";
}

// A writer waits for the lock beside the file.
TEST(ProductRegistration, WritersWaitForTheLock)
{
    AgentRoot agent;
    std::future<int> adding;
    {
        const ixorbase::FileLock lock(register_file(agent));
        adding = std::async(std::launch::async, [] { return add_product_register("ABC"); });
        EXPECT_EQ(adding.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
        EXPECT_FALSE(file_exists(register_file(agent)));
    }
    EXPECT_EQ(adding.get(), 0);
    EXPECT_EQ(is_product_register("ABC"), 1);
}

// Adding and removing keep one section per product and the count equal to
// the products, and repeat harmlessly.
TEST(ProductRegistration, KeepsOneSectionPerProductAndTheCount)
{
    AgentRoot agent;
    const std::string longest(256, 'Q');
    EXPECT_EQ(is_product_register("ABC"), 0) << "no file yet";
    ASSERT_EQ(add_product_register("ABC"), 0);
    ASSERT_EQ(add_product_register("XYZ"), 0);
    ASSERT_EQ(add_product_register("ABC"), 0);
    EXPECT_EQ(ini_value(register_file(agent), "count", "num"), "2");
    EXPECT_EQ(add_product_register(longest.c_str()), 0);
    EXPECT_EQ(remove_product_register(longest.c_str()), 0);
    EXPECT_EQ(remove_product_register("ABC"), 0);
    EXPECT_EQ(remove_product_register("ABC"), 0) << "removing an absent one";
    EXPECT_EQ(is_product_register("ABC"), 0);
    EXPECT_EQ(is_product_register("XYZ"), 1);
    EXPECT_EQ(ini_value(register_file(agent), "count", "num"), "1");
    EXPECT_THAT(sections_in(register_file(agent)), testing::UnorderedElementsAre("XYZ", "count"));
}

// Only the exact code of a registered product answers yes; installation is
// read from its own file.
TEST(ProductRegistration, OnlyTheExactCodeAnswersYes)
{
    AgentRoot agent;
    ASSERT_EQ(add_product_register("ABC"), 0);
    write_file(agent.home() + "/config/product_installed.eni", "[HVK]\nx=1\n");
    for (const char *code : {"ABD", "abc", "count", "HVK", "", "A]\n[ABC"}) {
        EXPECT_EQ(is_product_register(code), 0) << code;
    }
    EXPECT_EQ(is_product_register(nullptr), 0);
    EXPECT_EQ(is_product_installed("HVK"), 1);
    EXPECT_EQ(is_product_installed("ABC"), 0);
}

// Codes that could forge a section, or are too long, are refused and
// leave the file as it was.
TEST(ProductRegistration, RefusesCodesThatCouldForgeASection)
{
    AgentRoot agent;
    ASSERT_EQ(add_product_register("ABC"), 0);
    const std::string before = read_file(register_file(agent));
    for (const std::string &code :
         {"count"s, ""s, "A\nB"s, "A]"s, "[A"s, " ABC"s, "ABC "s, std::string(257, 'Q')}) {
        SCOPED_TRACE(code.substr(0, 20));
        EXPECT_NE(add_product_register(code.c_str()), 0);
        EXPECT_NE(remove_product_register(code.c_str()), 0);
    }
    EXPECT_EQ(read_file(register_file(agent)), before);
}

// The characters right next to the refused ones are taken.
TEST(ProductRegistration, TakesCodesNextToTheRefusedOnes)
{
    AgentRoot agent;
    for (const char *code : {"A B", "A~", "A\x80"}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(add_product_register(code), 0);
        EXPECT_EQ(is_product_register(code), 1);
    }
}

TEST(ProductRegistration, TheHomeDecidesWhichFileCounts)
{
    AgentRoot agent;
    ASSERT_EQ(add_product_register("XYZ"), 0);
    agent.move_home("elsewhere");
    EXPECT_EQ(is_product_register("XYZ"), 0);
}

// An update replaces the description whole; names that could leave the
// process folder are refused, and so is an uninstall without the record's
// lock.
TEST(ProcessConfig, InstallUpdateAndUninstall)
{
    AgentRoot agent;
    ASSERT_EQ(install("ipc_proxy", "[process]\npath=bin/old\n"), 0);
    ASSERT_EQ(install("ipc_proxy", startup), 0);
    EXPECT_EQ(read_file(agent.process_record()), startup);
    for (const char *name : {static_cast<const char *>(nullptr), "", "../product_register", "a/b",
                             "a\\b", "c:evil", ".."}) {
        EXPECT_NE(install(name, startup), 0);
        EXPECT_NE(uninstall_ixor_process(name), 0);
    }
    EXPECT_NE(install_ixor_process("new", nullptr), 0);
    const auto lock = std::filesystem::u8path(agent.process_record() + ".lock");
    std::filesystem::remove(lock);
    std::filesystem::create_directory(lock);
    EXPECT_NE(uninstall_ixor_process("ipc_proxy"), 0) << "a folder where the lock belongs";
    std::filesystem::remove(lock);
    EXPECT_EQ(uninstall_ixor_process("ipc_proxy"), 0);
    EXPECT_EQ(is_ixor_process_config_exists("ipc_proxy"), 0);
    EXPECT_NE(uninstall_ixor_process("ipc_proxy"), 0) << "nothing left to remove";
}

TEST(RootDir, ComesFromTheEnvironmentElseTheBuiltInDefault)
{
    for (const char *value : {"/some/where/else", "", static_cast<const char *>(nullptr)}) {
        ScopedEnv env("IXOR_ROOT_DIR", value);
        const std::unique_ptr<char, void (*)(void *)> root(get_ixor_root_dir(), std::free);
        EXPECT_STREQ(root.get(), value && *value ? value : IXOR_DEFAULT_ROOT);
    }
}

// The home is the root, "/" and the stored path, in a buffer with room for
// it and the terminator or not at all.
TEST(AppHome, JoinsTheStoredPathToTheRootWithinBounds)
{
    AgentRoot agent;
    agent.move_home("agent/home");
    char buf[300];
    std::memset(buf, '#', sizeof buf);
    const int exact = static_cast<int>(agent.home().size()) + 1;
    EXPECT_NE(get_apphome_path_main(nullptr, sizeof buf), 0);
    EXPECT_NE(get_apphome_path_main(buf, 0), 0);
    EXPECT_NE(get_apphome_path_main(buf, exact - 1), 0);
    EXPECT_EQ(std::string(buf, sizeof buf), std::string(sizeof buf, '#'));
    ASSERT_EQ(get_apphome_path_main(buf, exact), 0);
    EXPECT_EQ(std::string(buf), agent.home());
    EXPECT_EQ(buf[exact], '#') << "nothing written past the terminator";
}

// From a given file, the stored path as it is or joined to the root, with
// room for the terminator.
TEST(AppHome, RelativeOrAbsoluteFromAGivenFile)
{
    AgentRoot agent;
    agent.move_home("agent/home");
    const std::string apphome_ini = agent.root() + "/ixor_apphome.ini";
    char buf[300];
    ASSERT_EQ(get_app_home_dir(apphome_ini.c_str(), buf, sizeof buf, 0), 0);
    EXPECT_STREQ(buf, "agent/home");
    ASSERT_EQ(get_app_home_dir(apphome_ini.c_str(), buf, sizeof buf, 1), 0);
    EXPECT_EQ(std::string(buf), agent.home());
    EXPECT_NE(get_app_home_dir(apphome_ini.c_str(), buf, 0, 0), 0);
    EXPECT_NE(get_app_home_dir(apphome_ini.c_str(), buf, 10, 0), 0) << "no room for the terminator";
}

TEST(AppHome, MissingFileSectionKeyOrValueFails)
{
    AgentRoot agent;
    const std::string apphome_ini = agent.root() + "/ixor_apphome.ini";
    char buf[300];
    std::filesystem::remove(std::filesystem::u8path(apphome_ini));
    for (const char *text :
         {"", "[apphome]\nother=x\n", "[elsewhere]\npath=x\n", "[apphome]\npath=\n"}) {
        SCOPED_TRACE(text);
        if (*text)
            write_file(apphome_ini, text);
        EXPECT_NE(get_apphome_path_main(buf, sizeof buf), 0);
        EXPECT_NE(get_app_home_dir(apphome_ini.c_str(), buf, sizeof buf, 1), 0);
    }
}

}  // namespace
