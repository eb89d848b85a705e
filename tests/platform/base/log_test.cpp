// The shared log: set-up, whole-line appends from many writers, rotation,
// and the environment that tunes it.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include "ixor_test_support.h"
#include "ixorbase.h"

using namespace ixor_test;

namespace {

constexpr size_t rotate_size = 1 << 20;

// A line that carries its writer, its number and a body whose length
// varies around 4 KiB, so that a line cut or mixed shows.
std::string make_line(const std::string &writer, int n)
{
    const size_t body = 100 + static_cast<size_t>(n * 397 % 6000);
    return writer + " " + std::to_string(n) + " " +
           std::string(body, static_cast<char>('a' + n % 26)) + " end";
}

void write_lines(const std::string &writer, int count)
{
    for (int n = 0; n < count; ++n)
        ixor_log_output(2, "%s\n", make_line(writer, n).c_str());
}

// A process that never set a log up drops its lines and says so.
IXOR_TEST_CHILD_MODE(log_unset)
{
    return args.empty() && ixor_log_is_regestered() == 0 && ixor_log_output(0, "x\n") == -1 ? 0 : 1;
}

TEST(Log, WithoutASetUpLinesAreDropped) { EXPECT_EQ(Child::start("log_unset", {}).wait(), 0); }

// Init creates the folders and the file, and fails where a folder cannot
// be made.
TEST(Log, InitCreatesTheFoldersAndTheFile)
{
    TempDir dir;
    write_file(dir.file("blocker"), "");
    EXPECT_EQ(ixor_autolog_init(dir.file("blocker/log").c_str(), 5), -1);
    EXPECT_EQ(ixor_autolog_init(nullptr, 5), -1);
    ASSERT_EQ(ixor_autolog_init((dir.path() + "//a//b/").c_str(), 5), 0);
    EXPECT_EQ(ixor_log_output(0, "%s", ""), 0);
    EXPECT_EQ(ixor_log_output(0, "[%s] %d\n", "x", 1), 0);
    EXPECT_EQ(read_file(dir.file("a/b/ixor.log")), "[x] 1\n");
}

// A leading "@" stands for the folder of the running program.
TEST(Log, AtStandsForTheProgramsFolder)
{
    const std::string name = "log-at-" + std::to_string(ixor::os::current_pid());
    const std::string folder = ixor::os::parent_dir(self_path()) + "/" + name;
    ASSERT_EQ(ixor_autolog_init(("@/" + name).c_str(), 5), 0);
    EXPECT_TRUE(file_exists(folder + "/ixor.log"));
    std::filesystem::remove_all(std::filesystem::u8path(folder));
}

// With a folder where the file belongs there is no log and no line.
TEST(Log, AFolderInTheFilesPlaceTakesNoLine)
{
    TempDir dir;
    ASSERT_EQ(ixor_autolog_init(dir.file("a").c_str(), 5), 0);
    std::filesystem::remove(std::filesystem::u8path(dir.file("a/ixor.log")));
    std::filesystem::create_directory(std::filesystem::u8path(dir.file("a/ixor.log")));
    EXPECT_EQ(ixor_log_output(2, "lost\n"), -1);
    EXPECT_EQ(ixor_autolog_init(dir.file("a").c_str(), 5), -1);
}

// A file of the full size rotates: into one numbered file when one is
// kept, away when none is.
TEST(Log, AFullFileRotates)
{
    TempDir dir;
    for (const int keep : {0, 1}) {
        SCOPED_TRACE(keep);
        const std::string folder = dir.file("keep" + std::to_string(keep));
        ASSERT_EQ(ixor_autolog_init(folder.c_str(), keep), 0);
        ixor_log_output(2, "%s\n", std::string(rotate_size - 1, 'y').c_str());
        EXPECT_EQ(file_exists(folder + "/ixor.log.1"), keep == 1);
        EXPECT_FALSE(file_exists(folder + "/ixor.log.2"));
        EXPECT_EQ(read_file(folder + "/ixor.log"), "");
    }
}

// Rotation keeps the newest lines in the log and at most "keep" full files.
TEST(Log, RotationKeepsTheNewestLinesAndAtMostKeepFiles)
{
    TempDir dir;
    ASSERT_EQ(ixor_autolog_init(dir.file("two").c_str(), 2), 0);
    const std::string chunk(10000, 'z');
    for (int n = 0; n < 500; ++n)
        ixor_log_output(2, "%d %s\n", n, chunk.c_str());
    EXPECT_TRUE(file_exists(dir.file("two/ixor.log.2")));
    EXPECT_FALSE(file_exists(dir.file("two/ixor.log.3")));
    const std::string current = read_file(dir.file("two/ixor.log"));
    EXPECT_LT(current.size(), rotate_size);
    EXPECT_NE(current.find("499 " + chunk + "\n"), std::string::npos);
}

// Threads write at once over several rotations: every line is whole, each
// once and in its writer's order, and only full files were rotated, so no
// writer rotated what another just had.
TEST(Log, LinesFromManyWritersStayWhole)
{
    constexpr int writers = 8;
    constexpr int lines_each = 200;
    constexpr int keep = 20;
    TempDir dir;
    const std::string many = dir.file("many");
    ASSERT_EQ(ixor_autolog_init(many.c_str(), keep), 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < writers; ++t)
        threads.emplace_back(write_lines, "thread" + std::to_string(t), lines_each);
    for (std::thread &t : threads)
        t.join();
    std::string text;
    for (int n = keep; n >= 1; --n) {
        const std::string rotated = read_file(many + "/ixor.log." + std::to_string(n));
        EXPECT_TRUE(rotated.empty() || rotated.size() >= rotate_size) << n;
        text += rotated;
    }
    EXPECT_TRUE(file_exists(many + "/ixor.log.2"));
    std::istringstream in(text + read_file(many + "/ixor.log"));
    std::map<std::string, int> next;
    for (std::string line; std::getline(in, line);) {
        const std::string writer = line.substr(0, line.find(' '));
        ASSERT_EQ(line, make_line(writer, next[writer]++));
    }
    EXPECT_EQ(next.size(), size_t(writers));
    for (const auto &[writer, count] : next)
        EXPECT_EQ(count, lines_each) << writer;
}

TEST(Log, LevelAndSharedFolderComeFromTheEnvironment)
{
    const std::pair<const char *, int> levels[] = {
        {nullptr, 2},  // unset: warn
        {"0", 0},      // the lowest
        {"3", 3},      // the highest
        {"4", 2},      // above the highest
        {"-1", 2},     // below the lowest
        {"1x", 2},     // not a whole number
        {"", 2},       // empty
    };
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
