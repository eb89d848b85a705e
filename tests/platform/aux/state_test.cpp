// Product registration and installation state, and process configurations,
// in real files below a temporary root.
#include "aux_root.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>

using namespace aux_test;
using testing::ElementsAre;

namespace {

const int workers = 4;
const int adds_per_worker = 25;

std::string worker_code(int worker, int i)
{
    return "P" + std::to_string(worker) + "_" + std::to_string(i);
}

IXOR_TEST_CHILD_MODE(add_codes)
{
    for (int i = 0; i < adds_per_worker; ++i)
        if (add_product_register(worker_code(std::stoi(args.at(0)), i).c_str()) != 0)
            return 1;
    return 0;
}

// Start-up descriptions, in the form a save writes them.
const char *const first_startup =
    "[process]\npath=bin/ipc_proxy\nargs=-c config/ixor_ipcproxy.ini\n\n[restart]\ndelay=5\n";
const char *const second_startup = "[process]\npath=bin/ipc_proxy2\n";

Ini parsed(const char *text)
{
    TempDir dir;
    write_file(dir.file("startup.ini"), text);
    return Ini(ixor_ini_file_load(dir.file("startup.ini").c_str()));
}

int install(const char *name, const char *text)
{
    return install_ixor_process(name, parsed(text).get());
}

TEST(AuxState, NothingWithoutAnApplicationHome)
{
    TempDir empty_root;
    ixor_test::ScopedEnv env("IXOR_ROOT_DIR", empty_root.path().c_str());
    EXPECT_EQ(is_product_register("ABC"), 0);
    EXPECT_NE(add_product_register("ABC"), 0);
    EXPECT_NE(remove_product_register("ABC"), 0);
    EXPECT_NE(install("ipc_proxy", first_startup), 0);
    EXPECT_NE(uninstall_ixor_process("ipc_proxy"), 0);
}

TEST(ProductState, FollowsTheSectionsOfEachFile)
{
    AuxRoot root;
    const std::string registered = root.config("product_register.eni");
    EXPECT_EQ(is_product_register("ABC"), 0) << "no file yet";
    EXPECT_FALSE(file_exists(registered + ".lock")) << "a missing file needs no lock";

    write_file(registered, "[ABC]\nx=1\n[count]\nnum=1\n");
    write_file(root.config("product_installed.eni"), "[HVK]\nx=1\n");
    const char *const unknown[] = {"ABD", "abc", "count", "HVK", "", nullptr};
    for (const char *code : unknown)
        EXPECT_EQ(is_product_register(code), 0) << (code ? code : "null");
    EXPECT_NE(is_product_register("ABC"), 0);
    EXPECT_NE(is_product_installed("HVK"), 0);
    EXPECT_EQ(is_product_installed("ABC"), 0);
    EXPECT_EQ(is_product_installed(nullptr), 0);
}

// Adding and removing keep the count equal to the products, even where
// the file said otherwise; repeating either changes nothing.
TEST(ProductRegistration, KeepsTheCountEqualToTheProducts)
{
    AuxRoot root;
    const std::string file = root.config("product_register.eni");
    ASSERT_EQ(add_product_register("ABC"), 0) << "creates the folder and the file";
    ASSERT_EQ(add_product_register("XYZ"), 0);
    EXPECT_NE(is_product_register("ABC"), 0);
    EXPECT_EQ(value_in(file, "count", "num"), "2");
    const std::string before = read_file(file);
    EXPECT_EQ(add_product_register("ABC"), 0);
    EXPECT_EQ(read_file(file), before) << "adding again changes nothing";

    EXPECT_EQ(remove_product_register("ABC"), 0);
    EXPECT_EQ(is_product_register("ABC"), 0);
    EXPECT_NE(is_product_register("XYZ"), 0);
    EXPECT_EQ(value_in(file, "count", "num"), "1");
    EXPECT_EQ(remove_product_register("ABC"), 0) << "removing an absent one";
    EXPECT_EQ(remove_product_register("XYZ"), 0);
    EXPECT_EQ(value_in(file, "count", "num"), "0");
    EXPECT_THAT(sections_in(file), ElementsAre("count"));

    write_file(file, "[AAA]\nx=1\n[count]\nnum=7\n");
    ASSERT_EQ(add_product_register("BBB"), 0);
    EXPECT_EQ(value_in(file, "count", "num"), "2");
}

TEST(ProductRegistration, HostileCodesNeverMakeAnotherSection)
{
    AuxRoot root;
    ASSERT_EQ(add_product_register("ABC"), 0);
    const std::string before = read_file(root.config("product_register.eni"));
    const std::string hostile[] = {"count", "", "A\nB", "A\rB", "A]", "[A", "A]\n[count",
                                   std::string(10 * 1024, 'Q'), " ABC", "ABC "};
    for (const std::string &code : hostile) {
        EXPECT_NE(add_product_register(code.c_str()), 0) << code.substr(0, 20);
        EXPECT_NE(remove_product_register(code.c_str()), 0) << code.substr(0, 20);
        EXPECT_EQ(is_product_register(code.c_str()), 0) << code.substr(0, 20);
    }
    EXPECT_NE(add_product_register(nullptr), 0);
    EXPECT_NE(remove_product_register(nullptr), 0);
    EXPECT_EQ(read_file(root.config("product_register.eni")), before);
    EXPECT_NE(is_product_register("ABC"), 0);
}

// Writers take the lock file beside the registration file, which every
// other writer of it takes too.
TEST(ProductRegistration, WaitsForTheLockOtherWritersHold)
{
    AuxRoot root;
    const std::string file = root.config("product_register.eni");
    ASSERT_EQ(add_product_register("FIRST"), 0);
    ixor_flock *lock = nullptr;
    ASSERT_EQ(ixor_flock_init((file + ".lock").c_str(), &lock), 0);
    ASSERT_EQ(ixor_flock_acquire(lock), 0);
    auto adding = std::async(std::launch::async, [] { return add_product_register("LATE"); });
    EXPECT_EQ(adding.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    EXPECT_THAT(sections_in(file), ElementsAre("FIRST", "count"));
    ixor_flock_release(lock);
    ixor_flock_destroy(lock);
    EXPECT_EQ(adding.get(), 0);
    EXPECT_NE(is_product_register("LATE"), 0);
    EXPECT_EQ(value_in(file, "count", "num"), "2");
}

TEST(ProductRegistration, ConcurrentProcessesLoseNoAdd)
{
    AuxRoot root;
    std::vector<ixor_test::Child> children;
    std::vector<std::string> codes{"count"};
    for (int w = 0; w < workers; ++w) {
        children.push_back(ixor_test::Child::start("add_codes", {std::to_string(w)}));
        for (int i = 0; i < adds_per_worker; ++i)
            codes.push_back(worker_code(w, i));
    }
    for (auto &child : children)
        EXPECT_EQ(child.wait(), 0);
    const std::string file = root.config("product_register.eni");
    EXPECT_EQ(value_in(file, "count", "num"), std::to_string(workers * adds_per_worker));
    EXPECT_THAT(sections_in(file), testing::UnorderedElementsAreArray(codes));
}

// An install writes the description whole (and an update replaces it),
// leaving the caller's handle as it was.
TEST(ProcessConfig, InstallUpdateAndUninstall)
{
    AuxRoot root;
    const std::string record = root.config("process/ipc_proxy.eni");
    EXPECT_EQ(is_ixor_process_config_exists("ipc_proxy"), 0);
    const Ini first = parsed(first_startup);
    ASSERT_EQ(install_ixor_process("ipc_proxy", first.get()), 0) << "creates the folders";
    ASSERT_EQ(install_ixor_process("second", first.get()), 0);
    EXPECT_EQ(read_file(record), first_startup);
    EXPECT_EQ(read_file(root.config("process/second.eni")), first_startup);
    EXPECT_STREQ(ixor_ini_file_get(first.get(), "restart", "delay"), "5");
    EXPECT_NE(is_ixor_process_config_exists("ipc_proxy"), 0);
    EXPECT_EQ(is_ixor_process_config_exists("other"), 0);

    ASSERT_EQ(install("ipc_proxy", second_startup), 0);
    EXPECT_EQ(read_file(record), second_startup);
    EXPECT_EQ(uninstall_ixor_process("ipc_proxy"), 0);
    EXPECT_FALSE(file_exists(record));
    EXPECT_EQ(is_ixor_process_config_exists("ipc_proxy"), 0);
    EXPECT_NE(uninstall_ixor_process("ipc_proxy"), 0) << "nothing left to remove";
}

TEST(ProcessConfig, RefusesNamesThatLeaveTheProcessFolderAndNoHandle)
{
    AuxRoot root;
    ASSERT_EQ(install("ipc_proxy", first_startup), 0);
    const char *const refused[] = {nullptr, "", "../product_register", "a/b", "a\\b", "c:evil",
                                   "..", "a..b"};
    for (const char *name : refused) {
        const std::string shown = name ? name : "<null>";
        EXPECT_NE(install(name, second_startup), 0) << shown;
        EXPECT_EQ(is_ixor_process_config_exists(name), 0) << shown;
        EXPECT_NE(uninstall_ixor_process(name), 0) << shown;
    }
    EXPECT_NE(install_ixor_process("ipc_proxy", nullptr), 0);
    EXPECT_NE(install_ixor_process("new", nullptr), 0);
    EXPECT_EQ(is_ixor_process_config_exists("new"), 0);
    EXPECT_FALSE(file_exists(root.config("product_register.eni")));
    EXPECT_FALSE(file_exists(root.config("process/a")));
    EXPECT_EQ(read_file(root.config("process/ipc_proxy.eni")), first_startup);
}

// Installers racing on one record leave one whole description, never a mix.
TEST(ProcessConfig, ConcurrentInstallersLeaveOneWholeRecord)
{
    AuxRoot root;
    std::vector<std::future<int>> results;
    for (const char *text : {first_startup, second_startup, first_startup})
        results.push_back(std::async(std::launch::async, [text] {
            const Ini startup = parsed(text);
            int failures = 0;
            for (int i = 0; i < 20; ++i)
                failures += install_ixor_process("ipc_proxy", startup.get()) != 0;
            return failures;
        }));
    for (auto &r : results)
        EXPECT_EQ(r.get(), 0);
    const std::string text = read_file(root.config("process/ipc_proxy.eni"));
    EXPECT_TRUE(text == first_startup || text == second_startup) << text;
}

}  // namespace
