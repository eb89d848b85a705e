// The shared log: set-up, whole-line appends from threads and processes,
// rotation, and the environment that tunes it.
#include "base_test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>

using namespace base_test;
using ixor_test::Child;
using ixor_test::ScopedEnv;

namespace {

constexpr long long rotate_size = 1 << 20;
constexpr int keep_many = 20;

// A line that carries its writer, its number and a body whose length
// varies around the 4 KiB stack buffer, so a line cut or mixed shows.
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

// Every line of the log and its rotated files is one that some writer
// wrote whole, each exactly once and in its writer's order; rotation
// happened only at full files, so no writer rotated what another just had.
void expect_whole_lines(const TempDir &dir, const std::vector<std::string> &writers, int count)
{
    std::string text;
    for (int n = keep_many; n >= 1; --n) {
        const std::string rotated = dir.file("ixor.log." + std::to_string(n));
        if (ixor_test::file_exists(rotated)) {
            EXPECT_GE(static_cast<long long>(read_file(rotated).size()), rotate_size) << n;
        }
        text += read_file(rotated);
    }
    std::istringstream in(text + read_file(dir.file("ixor.log")));
    std::map<std::string, int> next;
    for (std::string line; std::getline(in, line);) {
        const std::string writer = line.substr(0, line.find(' '));
        ASSERT_EQ(line, make_line(writer, next[writer]++));
    }
    for (const std::string &writer : writers)
        EXPECT_EQ(next[writer], count) << writer;
    EXPECT_EQ(next.size(), writers.size());
}

IXOR_TEST_CHILD_MODE(log_lines)
{
    if (ixor_autolog_init(args.at(0).c_str(), keep_many) != 0)
        return 2;
    write_lines(args.at(1), std::stoi(args.at(2)));
    return 0;
}

IXOR_TEST_CHILD_MODE(log_unset)
{
    static_cast<void>(args);
    return ixor_log_is_regestered() == 0 && ixor_log_output(0, "dropped\n") != 0 ? 0 : 1;
}

TEST(Log, WithoutSetUpLinesAreDropped)
{
    EXPECT_EQ(Child::start("log_unset", {}).wait(), 0);
}

// Init creates the directory and an empty file; lines go in as given; a
// second init moves the log.
TEST(Log, InitCreatesTheFileAndInitAgainMovesIt)
{
    TempDir dir;
    ASSERT_EQ(ixor_autolog_init((dir.path() + "//a//b/").c_str(), 5), 0);
    EXPECT_NE(ixor_log_is_regestered(), 0);
    EXPECT_EQ(read_file(dir.file("a/b/ixor.log")), "");
    EXPECT_EQ(ixor_log_output(0, "[%s] %d", "x", 1), 0);
    EXPECT_EQ(ixor_log_output(3, " no break%s", "\n"), 0);
    ASSERT_EQ(ixor_autolog_init(dir.file("two").c_str(), 5), 0);
    ixor_log_output(2, "second\n");
    EXPECT_EQ(read_file(dir.file("a/b/ixor.log")), "[x] 1 no break\n");
    EXPECT_EQ(read_file(dir.file("two/ixor.log")), "second\n");

    EXPECT_NE(ixor_log_output(0, nullptr), 0);
    EXPECT_NE(ixor_autolog_init(nullptr, 5), 0);
    write_file(dir.file("blocker"), "");
    EXPECT_NE(ixor_autolog_init(dir.file("blocker/log").c_str(), 5), 0);
}

TEST(Log, AtSignStandsForTheProgramDirectory)
{
    char exe[4096] = {};
    ASSERT_EQ(ixor_process_get_path(ixor::os::current_pid(), exe, sizeof exe), 0);
    const std::string name = "ixor-log-test-" + std::to_string(ixor::os::current_pid());
    ASSERT_EQ(ixor_autolog_init(("@/../" + name + "/x/").c_str(), 5), 0);
    ixor_log_output(2, "here\n");
    const auto made = std::filesystem::u8path(exe).parent_path().parent_path() / name;
    EXPECT_EQ(read_file((made / "x" / "ixor.log").u8string()), "here\n");
    std::filesystem::remove_all(made);
}

// Threads of this process and other processes write at once; the lines
// fill several files.
TEST(Log, LinesFromManyThreadsAndProcessesStayWhole)
{
    TempDir dir;
    ASSERT_EQ(ixor_autolog_init(dir.path().c_str(), keep_many), 0);
    std::vector<std::string> writers;
    std::vector<Child> children;
    for (int p = 0; p < 3; ++p) {
        writers.push_back("process" + std::to_string(p));
        children.push_back(Child::start("log_lines", {dir.path(), writers.back(), "200"}));
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        writers.push_back("thread" + std::to_string(t));
        threads.emplace_back(write_lines, writers.back(), 200);
    }
    for (std::thread &t : threads)
        t.join();
    for (Child &child : children)
        EXPECT_EQ(child.wait(), 0);
    expect_whole_lines(dir, writers, 200);
    EXPECT_TRUE(ixor_test::file_exists(dir.file("ixor.log.2")));
}

TEST(Log, RotationKeepsAtMostKeepFiles)
{
    for (const int keep : {2, 0}) {
        TempDir dir;
        ASSERT_EQ(ixor_autolog_init(dir.path().c_str(), keep), 0);
        const std::string chunk(10000, 'z');
        for (int n = 0; n < 500; ++n)
            ixor_log_output(2, "%d %s\n", n, chunk.c_str());
        std::set<std::string> expected{"ixor.log", "ixor.log.lock"};
        for (int n = 1; n <= keep; ++n)
            expected.insert("ixor.log." + std::to_string(n));
        EXPECT_EQ(entries_of(dir.path()), expected) << "keep " << keep;
        const std::string current = read_file(dir.file("ixor.log"));
        EXPECT_LT(static_cast<long long>(current.size()), rotate_size);
        EXPECT_NE(current.find("499 " + chunk + "\n"), std::string::npos);
    }
}

TEST(Log, LevelComesFromTheEnvironment)
{
    const std::pair<const char *, int> cases[] = {
        {nullptr, 2}, {"0", 0}, {"1", 1}, {"3", 3}, {"4", 2}, {"-1", 2},
        {"1x", 2},    {"", 2},  {" 1", 2}, {"00003", 3}, {"99999999999999", 2}};
    for (const auto &[text, expected] : cases) {
        ScopedEnv env("IXOR_LOG_LEVEL", text);
        EXPECT_EQ(ixor_log_level_get(), expected) << (text ? text : "unset");
    }
}

TEST(Log, SharedDirectoryComesFromTheEnvironment)
{
    char buf[260];
    {
        ScopedEnv env("IXOR_LOG_DIR", nullptr);
        EXPECT_EQ(ixor_log_dir(buf, sizeof buf), nullptr);
    }
    ScopedEnv env("IXOR_LOG_DIR", "/var/log/shared");
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(ixor_log_dir(buf, sizeof buf), buf);
    EXPECT_STREQ(buf, "/var/log/shared");
    EXPECT_EQ(ixor_log_dir(buf, 10), nullptr);
    EXPECT_EQ(ixor_log_dir(nullptr, 260), nullptr);
}

}  // namespace
