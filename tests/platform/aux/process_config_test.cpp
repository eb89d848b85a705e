// Process configurations: records installed from an INI handle, updated,
// removed, and names that must not leave the process folder.
#include "aux_root.h"
#include "ixoraux.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>

using aux_test::AuxRoot;
using aux_test::IniContent;
using aux_test::make_ini;
using aux_test::sections_of;
using aux_test::value_of;
using testing::UnorderedElementsAre;
using testing::UnorderedElementsAreArray;

namespace {

const IniContent first_startup = {
    {"process", {{"path", "bin/ipc_proxy"}, {"args", "-c config/ixor_ipcproxy.ini"}}},
    {"restart", {{"delay", "5"}}},
};
const IniContent second_startup = {
    {"process", {{"path", "bin/ipc_proxy2"}}},
};

int install(const char *name, const IniContent &content)
{
    return install_ixor_process(name, make_ini(content).get());
}

void expect_record_holds(const std::string &record, const IniContent &content)
{
    std::vector<std::string> expected_sections;
    for (const auto &[section, keys] : content) {
        expected_sections.push_back(section);
        for (const auto &[key, value] : keys)
            EXPECT_EQ(value_of(record, section.c_str(), key.c_str()), value) << section << "/" << key;
    }
    EXPECT_THAT(sections_of(record), UnorderedElementsAreArray(expected_sections));
}

TEST(ProcessConfig, InstallUpdateAndUninstall)
{
    AuxRoot root;
    const std::string record = root.config("process/ipc_proxy.eni");
    EXPECT_EQ(is_ixor_process_config_exists("ipc_proxy"), 0);

    ASSERT_EQ(install("ipc_proxy", first_startup), 0) << "creates the folders";
    EXPECT_NE(is_ixor_process_config_exists("ipc_proxy"), 0);
    expect_record_holds(record, first_startup);
    EXPECT_EQ(is_ixor_process_config_exists("other"), 0);

    ASSERT_EQ(install("ipc_proxy", second_startup), 0);
    expect_record_holds(record, second_startup);
    EXPECT_EQ(value_of(record, "restart", "delay"), "<absent>") << "an update replaces";

    EXPECT_EQ(uninstall_ixor_process("ipc_proxy"), 0);
    EXPECT_FALSE(ixor_test::file_exists(record));
    EXPECT_EQ(is_ixor_process_config_exists("ipc_proxy"), 0);
    EXPECT_NE(uninstall_ixor_process("ipc_proxy"), 0) << "nothing left to remove";
}

TEST(ProcessConfig, InstallLeavesTheCallersHandleAsItWas)
{
    AuxRoot root;
    const aux_test::Ini startup = make_ini(first_startup);
    ASSERT_EQ(install_ixor_process("ipc_proxy", startup.get()), 0);
    ASSERT_EQ(install_ixor_process("second", startup.get()), 0);
    EXPECT_STREQ(ixor_ini_file_get(startup.get(), "restart", "delay"), "5");
    EXPECT_EQ(ixor_test::read_file(root.config("process/ipc_proxy.eni")),
              ixor_test::read_file(root.config("process/second.eni")));
}

TEST(ProcessConfig, RefusesNamesThatLeaveTheProcessFolder)
{
    AuxRoot root;
    ASSERT_EQ(install("ipc_proxy", first_startup), 0);
    const std::vector<const char *> refused = {
        nullptr, "", "../product_register", "a/b", "a\\b", "c:evil", "..", "a..b",
    };
    for (const char *name : refused) {
        const std::string shown = name ? name : "<null>";
        EXPECT_NE(install(name, second_startup), 0) << shown;
        EXPECT_EQ(is_ixor_process_config_exists(name), 0) << shown;
        EXPECT_NE(uninstall_ixor_process(name), 0) << shown;
    }
    EXPECT_FALSE(ixor_test::file_exists(root.config("product_register.eni")));
    EXPECT_FALSE(ixor_test::file_exists(root.config("process/a")));
    EXPECT_THAT(sections_of(root.config("process/ipc_proxy.eni")),
                UnorderedElementsAre("process", "restart"));
}

TEST(ProcessConfig, FailsWithoutHandleOrApplicationHome)
{
    AuxRoot root;
    EXPECT_NE(install_ixor_process("ipc_proxy", nullptr), 0);
    EXPECT_EQ(is_ixor_process_config_exists("ipc_proxy"), 0);

    ixor_test::TempDir empty_root;
    ixor_test::ScopedEnv env("IXOR_ROOT_DIR", empty_root.path().c_str());
    EXPECT_NE(install("ipc_proxy", first_startup), 0);
    EXPECT_NE(uninstall_ixor_process("ipc_proxy"), 0);
}

// Installers racing on one record leave one whole description, never a mix.
TEST(ProcessConfig, ConcurrentInstallersLeaveOneWholeRecord)
{
    AuxRoot root;
    std::vector<std::future<int>> results;
    for (const IniContent *content : {&first_startup, &second_startup, &first_startup})
        results.push_back(std::async(std::launch::async, [content] {
            int failures = 0;
            for (int i = 0; i < 20; ++i)
                failures += install("ipc_proxy", *content) != 0;
            return failures;
        }));
    for (auto &r : results)
        EXPECT_EQ(r.get(), 0);
    const std::string record = root.config("process/ipc_proxy.eni");
    const auto sections = sections_of(record);
    expect_record_holds(record, sections.size() == 2 ? first_startup : second_startup);
}

}  // namespace
