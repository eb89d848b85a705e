// Splitting and bounded formatting of text; paths, the program's own path
// and pauses.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "ixor_test_support.h"
#include "ixorbase.h"

using namespace ixor_test;
using Pieces = std::vector<std::string>;

namespace {

// The pieces, or "<null>" and the count when the split fails.
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
        {"a;b;c", ";", {"a", "b", "c"}},
        {"a;;b", ";", {"a", "", "b"}},
        {"a;", ";", {"a", ""}},
        {";a", ";", {"", "a"}},
        {" a ; b ", ";", {" a ", " b "}},
        {"10.0.0.1", ";", {"10.0.0.1"}},
        {"a::b:c::", "::", {"a", "b:c", ""}},
        {"abc", "", {"abc"}},
        {"", ";", {}},
        {nullptr, ";", {"<null>", "0"}},
        {"a;b", nullptr, {"<null>", "0"}}};
    for (const auto &[text, sep, pieces] : cases)
        EXPECT_EQ(split(text, sep), pieces) << (text ? text : "null");
}

// The caller never frees: the pieces last until the same thread splits again.
TEST(StrSplit, ResultLastsUntilTheSameThreadSplitsAgain)
{
    char **mine = ixor_str_split("one;two;three", ";", nullptr);
    std::thread([] { EXPECT_EQ(split("x;y;z;w", ";"), (Pieces{"x", "y", "z", "w"})); }).join();
    EXPECT_STREQ(mine[0], "one");
    EXPECT_STREQ(mine[2], "three");
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
    // The size is 64 bits wide; an int -1 widened to it passes through.
    EXPECT_EQ(ixor_str_snprintf(buf, static_cast<uint64_t>(-1), "%s/%s", "dir", "file"), 8);
    EXPECT_STREQ(buf, "dir/file");
    ixor_str_snprintf(buf, sizeof buf, "%d-%02d-%02d %02d:%02d:%02d|%lld", 2024, 1, 5, 7, 8, 9,
                      -9000000000ll);
    EXPECT_STREQ(buf, "2024-01-05 07:08:09|-9000000000");
}

// The test support makes the files through the standard library, which
// uses the wide names on Windows: the library's UTF-8 handling is checked
// independently.
TEST(PathExists, FilesAndFoldersWithUtf8Names)
{
    TempDir dir;
    const std::string cjk_dir = dir.file("\xE9\x85\x8D\xE7\xBD\xAE");
    const std::string cjk_file = cjk_dir + "/caf\xC3\xA9.ini";
    write_file(cjk_file, "x");
    for (const std::string &path : {cjk_dir, cjk_file})
        EXPECT_NE(ixor_path_is_exist_u(path.c_str()), 0) << path;
    for (const std::string &path : {dir.file("cafe.ini"), cjk_file + "/below"})
        EXPECT_EQ(ixor_path_is_exist_u(path.c_str()), 0) << path;
    EXPECT_EQ(ixor_path_is_exist_u(nullptr), 0);
}

TEST(ProcessPath, OwnPathNamesThisProgramAndIsCutToSize)
{
    const int pid = ixor::os::current_pid();
    char full[4096] = {};
    ASSERT_EQ(ixor_process_get_path(pid, full, sizeof full), 0);
    EXPECT_EQ(std::filesystem::u8path(full).stem().u8string(), "ixorbase_tests");
    char small[6];
    ASSERT_EQ(ixor_process_get_path(pid, small, sizeof small), 0);
    EXPECT_EQ(std::string(small), std::string(full).substr(0, 5));
    EXPECT_NE(ixor_process_get_path(pid, nullptr, 10), 0);
    EXPECT_NE(ixor_process_get_path(0x7ffffff0, full, sizeof full), 0);
}

TEST(Sleep, PausesForUnitsOfTheConfiguredLength)
{
    ScopedEnv unit("IXOR_SLEEP_UNIT_MS", "40");
    for (const int units : {3, 0, -5}) {
        const auto start = std::chrono::steady_clock::now();
        ixor_sleep(units);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        EXPECT_GE(ms, units > 0 ? 119 : 0) << units;
        EXPECT_LT(ms, units > 0 ? 1000 : 30) << units;
    }
}

}  // namespace
