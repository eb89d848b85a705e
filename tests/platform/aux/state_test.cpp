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

// Writers wait for the lock beside the file; adding and removing keep the
// count equal to the products, repeat harmlessly and refuse codes that
// could forge a section; the home decides which file counts.
TEST(ProductRegistration, KeepsOneSectionPerProductAndTheCount)
{
    AgentRoot agent;
    const std::string file = agent.home() + "/config/product_register.eni";
    EXPECT_EQ(is_product_register("ABC"), 0) << "no file yet";
    std::future<int> adding;
    {
        const ixorbase::FileLock lock(file);
        adding = std::async(std::launch::async, [] { return add_product_register("ABC"); });
        EXPECT_EQ(adding.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
        EXPECT_FALSE(file_exists(file));
    }
    ASSERT_EQ(adding.get(), 0);
    ASSERT_EQ(add_product_register("XYZ"), 0);
    write_file(agent.home() + "/config/product_installed.eni", "[HVK]\nx=1\n");
    EXPECT_EQ(ini_value(file, "count", "num"), "2");
    for (const char *code :
         {"ABD", "abc", "count", "HVK", "", "A]\n[ABC", static_cast<const char *>(nullptr)})
        EXPECT_EQ(is_product_register(code), 0) << (code ? code : "null");
    EXPECT_NE(is_product_installed("HVK"), 0);
    EXPECT_EQ(is_product_installed("ABC"), 0);
    const std::string before = read_file(file);
    EXPECT_EQ(add_product_register("ABC"), 0);
    for (const std::string &code :
         {"count"s, ""s, "A\nB"s, "A]"s, "[A"s, " ABC"s, "ABC "s, std::string(257, 'Q')}) {
        EXPECT_NE(add_product_register(code.c_str()), 0) << code.substr(0, 20);
        EXPECT_NE(remove_product_register(code.c_str()), 0) << code.substr(0, 20);
    }
    EXPECT_EQ(read_file(file), before);
    EXPECT_EQ(remove_product_register("ABC"), 0);
    EXPECT_EQ(remove_product_register("ABC"), 0) << "removing an absent one";
    EXPECT_EQ(add_product_register(std::string(256, 'Q').c_str()), 0) << "the longest code";
    EXPECT_EQ(remove_product_register(std::string(256, 'Q').c_str()), 0);
    EXPECT_EQ(is_product_register("ABC"), 0);
    EXPECT_EQ(ini_value(file, "count", "num"), "1");
    EXPECT_THAT(sections_in(file), testing::UnorderedElementsAre("XYZ", "count"));
    agent.move_home("elsewhere");
    EXPECT_EQ(is_product_register("XYZ"), 0) << "the home decides";
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
// it and the terminator or not at all; a missing file, section, key or
// value fails.
TEST(AppHome, JoinsTheStoredPathToTheRootWithinBounds)
{
    AgentRoot agent;
    agent.move_home("agent/home");
    const std::string apphome_ini = agent.root() + "/ixor_apphome.ini";
    char buf[300];
    const auto untouched = [&buf] { return std::string(buf, 300) == std::string(300, '#'); };
    const int exact = static_cast<int>(agent.home().size()) + 1;
    std::memset(buf, '#', sizeof buf);
    EXPECT_NE(get_apphome_path_main(buf, exact - 1), 0);
    EXPECT_TRUE(untouched());
    ASSERT_EQ(get_apphome_path_main(buf, exact), 0);
    EXPECT_EQ(std::string(buf), agent.home());
    EXPECT_EQ(buf[exact], '#') << "nothing written past the terminator";
    ASSERT_EQ(get_app_home_dir(apphome_ini.c_str(), buf, 260, 0), 0);
    EXPECT_STREQ(buf, "agent/home");
    ASSERT_EQ(get_app_home_dir(apphome_ini.c_str(), buf, 260, 1), 0);
    EXPECT_EQ(std::string(buf), agent.home());
    std::memset(buf, '#', sizeof buf);
    std::filesystem::remove(std::filesystem::u8path(apphome_ini));
    for (const char *text :
         {"", "[apphome]\nother=x\n", "[elsewhere]\npath=x\n", "[apphome]\npath=\n"}) {
        if (*text)
            write_file(apphome_ini, text);
        EXPECT_NE(get_apphome_path_main(buf, sizeof buf), 0) << text;
        EXPECT_NE(get_app_home_dir(apphome_ini.c_str(), buf, sizeof buf, 1), 0) << text;
    }
    write_file(apphome_ini, "[apphome]\npath=home\n");
    EXPECT_NE(get_app_home_dir(apphome_ini.c_str(), buf, 4, 0), 0) << "no room for the terminator";
    EXPECT_NE(get_apphome_path_main(nullptr, 260), 0);
    EXPECT_NE(get_apphome_path_main(buf, 0), 0);
    EXPECT_NE(get_app_home_dir(apphome_ini.c_str(), buf, 0, 0), 0);
    EXPECT_TRUE(untouched());
}

}  // namespace
