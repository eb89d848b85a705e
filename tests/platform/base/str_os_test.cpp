// Splitting and bounded formatting of text; paths, the program's own path
// and pauses.
#include "base_test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

using namespace base_test;
using Pieces = std::vector<std::string>;

namespace {

TEST(StrSplit, ResultLastsUntilTheSameThreadSplitsAgain)
{
    int count = 0;
    char **mine = ixor_str_split("one;two;three", ";", &count);
    std::thread other([] {
        int n = 0;
        char **theirs = ixor_str_split("x;y;z;w;v", ";", &n);
        EXPECT_EQ(n, 5);
        EXPECT_STREQ(theirs[4], "v");
    });
    other.join();
    ASSERT_EQ(count, 3);
    EXPECT_STREQ(mine[0], "one");
    EXPECT_STREQ(mine[2], "three");
}

// The pieces, or "<null>" when the split fails, which gives a count of 0.
Pieces split(const char *text, const char *sep)
{
    int count = -1;
    char **pieces = ixor_str_split(text, sep, &count);
    if (!pieces)
        return {"<null>", std::to_string(count)};
    EXPECT_EQ(pieces[count], nullptr);
    return Pieces(pieces, pieces + count);
}

// Every separator cuts, so empty pieces stay, and nothing is trimmed.
TEST(StrSplit, EverySeparatorCutsAndNothingIsTrimmed)
{
    const std::tuple<const char *, const char *, Pieces> cases[] = {
        {"a;b;c", ";", {"a", "b", "c"}}, {"a;;b", ";", {"a", "", "b"}}, {"a;", ";", {"a", ""}},
        {";a", ";", {"", "a"}}, {";", ";", {"", ""}}, {" a ; b ", ";", {" a ", " b "}},
        {"10.0.0.1", ";", {"10.0.0.1"}}, {"a::b:c::", "::", {"a", "b:c", ""}},
        {"abc", "", {"abc"}}, {"", ";", {}},
        {nullptr, ";", {"<null>", "0"}}, {"a;b", nullptr, {"<null>", "0"}}};
    for (const auto &[text, sep, pieces] : cases)
        EXPECT_EQ(split(text, sep), pieces) << (text ? text : "null");
    char **pieces = ixor_str_split("x;y", ";", nullptr);
    ASSERT_NE(pieces, nullptr);
    EXPECT_STREQ(pieces[1], "y");
}

TEST(StrSnprintf, WritesAtMostSizeBytesAlwaysTerminated)
{
    char buf[32];
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(ixor_str_snprintf(buf, 5, "hello %s", "world"), 11);
    EXPECT_STREQ(buf, "hell");
    EXPECT_EQ(buf[5], '#');
    EXPECT_EQ(ixor_str_snprintf(buf + 10, 0, "%s", "text"), 4);
    EXPECT_EQ(buf[10], '#');
    EXPECT_EQ(ixor_str_snprintf(nullptr, 10, "%d", 12345), 5);
    EXPECT_EQ(ixor_str_snprintf(buf, 6, "%05d", 42), 5);
    EXPECT_STREQ(buf, "00042");
    EXPECT_EQ(ixor_str_snprintf(buf, 1, "%s", "x"), 1);
    EXPECT_STREQ(buf, "");
    // A negative int widened to the size type is a huge size, passed through.
    const int minus_one = -1;
    EXPECT_EQ(ixor_str_snprintf(buf, static_cast<uint64_t>(static_cast<int64_t>(minus_one)),
                                "%s/%s", "dir", "file"), 8);
    EXPECT_STREQ(buf, "dir/file");
}

TEST(StrSnprintf, StandardConversionsOnEverySystem)
{
    char buf[128];
    ixor_str_snprintf(buf, sizeof buf, "%lld|%zu|%llu|%5.2f|%-3s|%x|%%", -9000000000ll,
                      static_cast<size_t>(7), 18446744073709551615ull, 3.14159, "ab", 255u);
    EXPECT_STREQ(buf, "-9000000000|7|18446744073709551615| 3.14|ab |ff|%");
    ixor_str_snprintf(buf, sizeof buf, "%d-%02d-%02d %02d:%02d:%02d", 2024, 1, 5, 7, 8, 9);
    EXPECT_STREQ(buf, "2024-01-05 07:08:09");
}

// The files are made with the standard library, which uses the wide names
// on Windows, so the library's own UTF-8 handling is checked independently.
TEST(PathExists, FilesAndDirectoriesWithUtf8Names)
{
    TempDir dir;
    const std::string accented = dir.file("caf\xC3\xA9.txt");
    const std::string cjk_dir = dir.file("\xE9\x85\x8D\xE7\xBD\xAE");
    const std::string cjk_file = cjk_dir + "/\xE6\x97\xA5\xE6\x9C\xAC.ini";
    std::filesystem::create_directories(std::filesystem::u8path(cjk_dir));
    for (const std::string &file : {accented, cjk_file})
        std::ofstream(std::filesystem::u8path(file)) << "x";
    for (const std::string &path : {accented, cjk_dir, cjk_file, dir.path()})
        EXPECT_NE(ixor_path_is_exist_u(path.c_str()), 0) << path;
    for (const std::string &path : {dir.file("cafe.txt"), accented + "/below"})
        EXPECT_EQ(ixor_path_is_exist_u(path.c_str()), 0) << path;
    EXPECT_EQ(ixor_path_is_exist_u(nullptr), 0);
}

TEST(ProcessPath, OwnPathNamesThisProgramAndIsCutToSize)
{
    const int pid = ixor::os::current_pid();
    char full[4096] = {};
    ASSERT_EQ(ixor_process_get_path(pid, full, sizeof full), 0);
    const std::filesystem::path exe = std::filesystem::u8path(full);
    EXPECT_EQ(exe.stem().u8string(), "ixorbase_tests");
    EXPECT_TRUE(std::filesystem::is_regular_file(exe));
    char small[6];
    ASSERT_EQ(ixor_process_get_path(pid, small, sizeof small), 0);
    EXPECT_EQ(std::string(small), std::string(full).substr(0, 5));
    EXPECT_NE(ixor_process_get_path(pid, nullptr, 10), 0);
    EXPECT_NE(ixor_process_get_path(0x7ffffff0, full, sizeof full), 0);
}

TEST(Sleep, PausesForUnitsOfTheConfiguredLength)
{
    ixor_test::ScopedEnv unit("IXOR_SLEEP_UNIT_MS", "40");
    auto start = Clock::now();
    ixor_sleep(3);
    EXPECT_GE(seconds_since(start), 0.119);
    EXPECT_LT(seconds_since(start), 1.0);
    start = Clock::now();
    ixor_sleep(0);
    ixor_sleep(-5);
    EXPECT_LT(seconds_since(start), 0.03);
}

}  // namespace
