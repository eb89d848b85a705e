// Product registration and installation state in real files.
#include "aux_root.h"
#include "ixoraux.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

using aux_test::AuxRoot;
using aux_test::save_ini;
using aux_test::sections_of;
using aux_test::value_of;
using testing::Contains;
using testing::ElementsAre;
using testing::Not;
using testing::UnorderedElementsAreArray;

namespace {

const int workers = 4;
const int adds_per_worker = 25;

std::string worker_code(const std::string &worker, int i)
{
    return "P" + worker + "_" + std::to_string(i);
}

// One worker's share of the concurrent registrations.
int add_codes(const std::string &worker)
{
    for (int i = 0; i < adds_per_worker; ++i)
        if (add_product_register(worker_code(worker, i).c_str()) != 0)
            return 1;
    return 0;
}

IXOR_TEST_CHILD_MODE(add_codes)
{
    return add_codes(args.at(0));
}

std::string register_file(const AuxRoot &root)
{
    return root.config("product_register.eni");
}

TEST(ProductState, FollowsTheSectionsOfEachFile)
{
    AuxRoot root;
    EXPECT_EQ(is_product_register("ABC"), 0) << "no file yet";
    EXPECT_FALSE(ixor_test::file_exists(register_file(root) + ".lock"))
        << "a missing file needs no lock";

    save_ini(register_file(root), {{"ABC", {{"x", "1"}}}, {"count", {{"num", "1"}}}});
    save_ini(root.config("product_installed.eni"), {{"HVK", {{"x", "1"}}}});
    EXPECT_NE(is_product_register("ABC"), 0);
    EXPECT_EQ(is_product_register("ABD"), 0);
    EXPECT_EQ(is_product_register("abc"), 0);
    EXPECT_EQ(is_product_register("count"), 0) << "the count is not a product";
    EXPECT_EQ(is_product_register("HVK"), 0);
    EXPECT_NE(is_product_installed("HVK"), 0);
    EXPECT_EQ(is_product_installed("ABC"), 0);
    EXPECT_EQ(is_product_register(nullptr), 0);
    EXPECT_EQ(is_product_register(""), 0);
    EXPECT_EQ(is_product_installed(nullptr), 0);
}

TEST(ProductState, IsUnknownWithoutAnApplicationHome)
{
    ixor_test::TempDir empty_root;
    ixor_test::ScopedEnv env("IXOR_ROOT_DIR", empty_root.path().c_str());
    EXPECT_EQ(is_product_register("ABC"), 0);
    EXPECT_NE(add_product_register("ABC"), 0);
    EXPECT_NE(remove_product_register("ABC"), 0);
}

TEST(ProductRegistration, KeepsTheCountEqualToTheProducts)
{
    AuxRoot root;
    const std::string file = register_file(root);
    ASSERT_EQ(add_product_register("ABC"), 0) << "creates the folder and the file";
    ASSERT_EQ(add_product_register("XYZ"), 0);
    EXPECT_NE(is_product_register("ABC"), 0);
    EXPECT_EQ(value_of(file, "count", "num"), "2");

    const std::string before = ixor_test::read_file(file);
    EXPECT_EQ(add_product_register("ABC"), 0);
    EXPECT_EQ(ixor_test::read_file(file), before) << "adding again changes nothing";

    EXPECT_EQ(remove_product_register("ABC"), 0);
    EXPECT_EQ(is_product_register("ABC"), 0);
    EXPECT_NE(is_product_register("XYZ"), 0);
    EXPECT_EQ(value_of(file, "count", "num"), "1");
    EXPECT_EQ(remove_product_register("ABC"), 0) << "removing an absent one";
    EXPECT_EQ(remove_product_register("XYZ"), 0);
    EXPECT_EQ(value_of(file, "count", "num"), "0");
    EXPECT_THAT(sections_of(file), ElementsAre("count"));
}

TEST(ProductRegistration, RecountsAFileThatWasWrong)
{
    AuxRoot root;
    save_ini(register_file(root), {{"AAA", {{"x", "1"}}}, {"count", {{"num", "7"}}}});
    ASSERT_EQ(add_product_register("BBB"), 0);
    EXPECT_EQ(value_of(register_file(root), "count", "num"), "2");
}

TEST(ProductRegistration, HostileCodesNeverMakeAnotherSection)
{
    AuxRoot root;
    ASSERT_EQ(add_product_register("ABC"), 0);
    const std::string file = register_file(root);
    const std::string before = ixor_test::read_file(file);
    const std::vector<std::string> hostile = {
        "count", "", "A\nB", "A\rB", "A]", "[A", "A]\n[count", std::string(10 * 1024, 'Q'),
        " ABC",  "ABC ",
    };
    for (const auto &code : hostile) {
        EXPECT_NE(add_product_register(code.c_str()), 0) << code.substr(0, 20);
        EXPECT_NE(remove_product_register(code.c_str()), 0) << code.substr(0, 20);
        EXPECT_EQ(is_product_register(code.c_str()), 0) << code.substr(0, 20);
    }
    EXPECT_NE(add_product_register(nullptr), 0);
    EXPECT_NE(remove_product_register(nullptr), 0);
    EXPECT_EQ(ixor_test::read_file(file), before);
    EXPECT_NE(is_product_register("ABC"), 0);
}

TEST(ProductRegistration, WaitsForTheLockOtherWritersHold)
{
    AuxRoot root;
    const std::string file = register_file(root);
    ASSERT_EQ(add_product_register("FIRST"), 0);
    ixor_flock *lock = nullptr;
    ASSERT_EQ(ixor_flock_init((file + ".lock").c_str(), &lock), 0);
    ASSERT_EQ(ixor_flock_acquire(lock), 0);

    auto adding = std::async(std::launch::async, [] { return add_product_register("LATE"); });
    EXPECT_EQ(adding.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    EXPECT_THAT(sections_of(file), Not(Contains("LATE")));

    ixor_flock_release(lock);
    ixor_flock_destroy(lock);
    EXPECT_EQ(adding.get(), 0);
    EXPECT_NE(is_product_register("LATE"), 0);
    EXPECT_EQ(value_of(file, "count", "num"), "2");
}

std::vector<std::string> all_worker_codes()
{
    std::vector<std::string> codes{"count"};
    for (int w = 0; w < workers; ++w)
        for (int i = 0; i < adds_per_worker; ++i)
            codes.push_back(worker_code(std::to_string(w), i));
    return codes;
}

void expect_every_add_counted(const AuxRoot &root)
{
    EXPECT_EQ(value_of(register_file(root), "count", "num"),
              std::to_string(workers * adds_per_worker));
    EXPECT_THAT(sections_of(register_file(root)), UnorderedElementsAreArray(all_worker_codes()));
}

TEST(ProductRegistration, ConcurrentProcessesLoseNoAdd)
{
    AuxRoot root;
    std::vector<ixor_test::Child> children;
    for (int w = 0; w < workers; ++w)
        children.push_back(ixor_test::Child::start("add_codes", {std::to_string(w)}));
    for (auto &child : children)
        EXPECT_EQ(child.wait(), 0);
    expect_every_add_counted(root);
}

}  // namespace
