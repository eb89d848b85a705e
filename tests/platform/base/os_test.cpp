// Paths, the program's own path and pauses.
#include "base_test_util.h"

#include <gtest/gtest.h>

#include <fstream>

using base_test::current_pid;
using base_test::seconds_since;
using ixor_test::ScopedEnv;
using ixor_test::TempDir;

namespace {

// Made with the standard library, which uses the wide names on Windows,
// so that the library's own UTF-8 handling is checked independently.
void make_file(const std::string &path)
{
    std::filesystem::create_directories(std::filesystem::u8path(path).parent_path());
    std::ofstream(std::filesystem::u8path(path)) << "x";
}

TEST(PathExists, FilesAndDirectoriesWithUtf8Names)
{
    TempDir dir;
    const std::string accented = dir.file("caf\xC3\xA9.txt");
    const std::string cjk_dir = dir.file("\xE9\x85\x8D\xE7\xBD\xAE");
    make_file(accented);
    make_file(cjk_dir + "/\xE6\x97\xA5\xE6\x9C\xAC.ini");
    EXPECT_NE(ixor_path_is_exist_u(accented.c_str()), 0);
    EXPECT_NE(ixor_path_is_exist_u(cjk_dir.c_str()), 0);
    EXPECT_NE(ixor_path_is_exist_u((cjk_dir + "/\xE6\x97\xA5\xE6\x9C\xAC.ini").c_str()), 0);
    EXPECT_NE(ixor_path_is_exist_u(dir.path().c_str()), 0);
    EXPECT_EQ(ixor_path_is_exist_u(dir.file("cafe.txt").c_str()), 0);
    EXPECT_EQ(ixor_path_is_exist_u(dir.file("caf\xC3\xA9.txt/below").c_str()), 0);
    EXPECT_EQ(ixor_path_is_exist_u(nullptr), 0);
}

TEST(ProcessPath, OwnPathNamesThisProgramAndIsCutToSize)
{
    char full[4096] = {};
    ASSERT_EQ(ixor_process_get_path(current_pid(), full, sizeof full), 0);
    const std::filesystem::path exe = std::filesystem::u8path(full);
    EXPECT_EQ(exe.stem().u8string(), "ixorbase_tests");
    EXPECT_TRUE(std::filesystem::is_regular_file(exe));

    char small[6];
    ASSERT_EQ(ixor_process_get_path(current_pid(), small, sizeof small), 0);
    EXPECT_EQ(std::string(small), std::string(full).substr(0, 5));
    EXPECT_NE(ixor_process_get_path(current_pid(), nullptr, 10), 0);
    EXPECT_NE(ixor_process_get_path(0x7ffffff0, full, sizeof full), 0);
}

TEST(Sleep, PausesForUnitsOfTheConfiguredLength)
{
    ScopedEnv unit("IXOR_SLEEP_UNIT_MS", "40");
    auto start = std::chrono::steady_clock::now();
    ixor_sleep(3);
    EXPECT_GE(seconds_since(start), 0.119);
    EXPECT_LT(seconds_since(start), 1.0);
    start = std::chrono::steady_clock::now();
    ixor_sleep(0);
    ixor_sleep(-5);
    EXPECT_LT(seconds_since(start), 0.03);
}

}  // namespace
