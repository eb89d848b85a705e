// The shared log: set-up, rotation, and the environment that tunes it.
#include <gtest/gtest.h>

#include <filesystem>

#include "ixor_test_support.h"
#include "ixorbase.h"

using namespace ixor_test;

namespace {

constexpr size_t rotate_size = 1 << 20;

// A process that never set a log up drops its lines and says so.
IXOR_TEST_CHILD_MODE(log_unset)
{
    return args.empty() && ixor_log_is_regestered() == 0 && ixor_log_output(0, "x\n") == -1 ? 0 : 1;
}

// Without a set-up lines are dropped; init creates the folders and the file, and fails where
// a folder cannot be made; with a folder where the file belongs there is no log and no line.
// Rotation keeps the newest lines in the log and at most "keep" full files, keep 1 too.
TEST(Log, InitAndRotation)
{
    EXPECT_EQ(Child::start("log_unset", {}).wait(), 0);
    TempDir dir;
    write_file(dir.file("blocker"), "");
    EXPECT_EQ(ixor_autolog_init(dir.file("blocker/log").c_str(), 5), -1);
    ASSERT_EQ(ixor_autolog_init((dir.path() + "//a//b/").c_str(), 5), 0);
    EXPECT_EQ(ixor_log_output(0, "[%s] %d\n", "x", 1), 0);
    EXPECT_EQ(read_file(dir.file("a/b/ixor.log")), "[x] 1\n");
    std::filesystem::remove(std::filesystem::u8path(dir.file("a/b/ixor.log")));
    std::filesystem::create_directory(std::filesystem::u8path(dir.file("a/b/ixor.log")));
    EXPECT_EQ(ixor_log_output(2, "lost\n"), -1);
    EXPECT_EQ(ixor_autolog_init(dir.file("a/b").c_str(), 5), -1);
    EXPECT_EQ(ixor_autolog_init(nullptr, 5), -1);
    ASSERT_EQ(ixor_autolog_init(dir.file("three").c_str(), 1), 0);
    ixor_log_output(2, "%s\n", std::string(rotate_size - 1, 'y').c_str());
    EXPECT_TRUE(file_exists(dir.file("three/ixor.log.1"))) << "a file of the full size rotates";
    ASSERT_EQ(ixor_autolog_init(dir.file("three").c_str(), 2), 0);
    const std::string chunk(10000, 'z');
    for (int n = 0; n < 500; ++n)
        ixor_log_output(2, "%d %s\n", n, chunk.c_str());
    EXPECT_TRUE(file_exists(dir.file("three/ixor.log.2")));
    EXPECT_FALSE(file_exists(dir.file("three/ixor.log.3")));
    const std::string current = read_file(dir.file("three/ixor.log"));
    EXPECT_LT(current.size(), rotate_size);
    EXPECT_NE(current.find("499 " + chunk + "\n"), std::string::npos);
}

TEST(Log, LevelAndSharedFolderComeFromTheEnvironment)
{
    const std::pair<const char *, int> levels[] = {{nullptr, 2}, {"0", 0},  {"3", 3}, {"4", 2},
                                                   {"-1", 2},    {"1x", 2}, {"", 2}};
    for (const auto &[text, expected] : levels) {
        ScopedEnv env("IXOR_LOG_LEVEL", text);
        EXPECT_EQ(ixor_log_level_get(), expected) << (text ? text : "unset");
    }
    char buf[260];
    ScopedEnv unset("IXOR_LOG_DIR", nullptr);
    EXPECT_EQ(ixor_log_dir(buf, sizeof buf), nullptr);
    ScopedEnv env("IXOR_LOG_DIR", "/var/log/shared");
    EXPECT_EQ(ixor_log_dir(buf, sizeof buf), buf);
    EXPECT_STREQ(buf, "/var/log/shared");
    EXPECT_EQ(ixor_log_dir(buf, 15), nullptr) << "no room for the terminator";
}

}  // namespace
