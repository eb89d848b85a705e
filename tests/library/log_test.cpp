// The log statement: prefixes, level filtering, the default log directory
// and the time stamp.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "fake_platform.h"
#include "ixor_ipc_log.h"

namespace {

class LogStatement : public ::testing::Test {
protected:
    void SetUp() override { fake::reset(); }
};

TEST_F(LogStatement, LineCarriesStampIdsTagFileAndLine)
{
    int line = __LINE__ + 1;
    IXOR_LOG_WARN("flock file failed %s\n", "/x.lock");
    ASSERT_EQ(fake::platform().lines.size(), 1u);
    const fake::LogLine &out = fake::platform().lines[0];
    EXPECT_EQ(out.level, 1);
    std::smatch m;
    std::regex shape(R"(^\[(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)\] \[warn\] \[pid:(\d+)\] )"
                     R"(\[tid:(\d+)\] \[pux\] \[log_test\.cpp:(\d+)\] flock file failed /x\.lock\n$)");
    ASSERT_TRUE(std::regex_match(out.text, m, shape)) << out.text;
    EXPECT_EQ(std::stoi(m[2]), ixor_os_process_id());
    EXPECT_EQ(std::stoi(m[3]), ixor_os_thread_id());
    EXPECT_EQ(std::stoi(m[4]), line);
}

TEST_F(LogStatement, EachLevelHasItsWordAndNumber)
{
    IXOR_LOG_ERROR("e");
    IXOR_LOG_WARN("w");
    IXOR_LOG_INFO("i");
    IXOR_LOG_DEBUG("d %d", 7);
    const auto &lines = fake::platform().lines;
    ASSERT_EQ(lines.size(), 4u);
    const char *words[] = {"[error]", "[warn]", "[info]", "[debug]"};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(lines[i].level, i);
        EXPECT_NE(lines[i].text.find(std::string("] ") + words[i] + " [pid:"), std::string::npos);
    }
    EXPECT_EQ(fake::tails(), (std::vector<std::string>{"e", "w", "i", "d 7"}));
}

TEST_F(LogStatement, LevelFiltering)
{
    struct Case {
        int current;
        std::vector<std::string> written;
    };
    const Case cases[] = {
        {-5, {"e"}}, {0, {"e"}}, {1, {"e", "w"}}, {2, {"e", "w", "i"}}, {3, {"e", "w", "i", "d"}}};
    for (const Case &c : cases) {
        fake::reset();
        fake::platform().log_level = c.current;
        IXOR_LOG_ERROR("e");
        IXOR_LOG_WARN("w");
        IXOR_LOG_INFO("i");
        IXOR_LOG_DEBUG("d");
        EXPECT_EQ(fake::tails(), c.written) << "level " << c.current;
        EXPECT_EQ(fake::platform().level_queries, 3) << "error lines never ask for the level";
    }
}

TEST_F(LogStatement, FilteredStatementStillSetsUpDefaultLog)
{
    fake::platform().log_registered = false;
    fake::platform().log_level = 0;
    IXOR_LOG_WARN("dropped\n");
    EXPECT_TRUE(fake::platform().lines.empty());
    EXPECT_EQ(fake::platform().autolog_dirs.size(), 1u);
}

TEST_F(LogStatement, RegisteredLogIsLeftAlone)
{
    IXOR_LOG_INFO("x");
    EXPECT_TRUE(fake::platform().autolog_dirs.empty());
    EXPECT_TRUE(fake::calls().empty()) << "no process path or log directory lookups";
}

TEST_F(LogStatement, DefaultDirectoryUnderSharedLogDirectory)
{
    fake::platform().log_registered = false;
    fake::platform().log_dir_ok = true;
    fake::platform().log_dir = "D:/logs";
    fake::platform().process_path = std::string("agent") + IXOR_OS_PATH_SEP + "bin" +
                                    IXOR_OS_PATH_SEP + "host.exe";
    IXOR_LOG_INFO("x");
    ASSERT_EQ(fake::platform().autolog_dirs.size(), 1u);
    EXPECT_EQ(fake::platform().autolog_dirs[0],
              "D:/logs//Trelmox/IXOR3_LOG/ixor_default_autolog//host.exe/");
    EXPECT_EQ(fake::calls(), (std::vector<std::string>{"ixor_process_get_path", "ixor_log_dir",
                                                       "ixor_autolog_init 5"}));
}

TEST_F(LogStatement, DefaultDirectoryFallsBackBesideExecutable)
{
    fake::platform().log_registered = false;
    fake::platform().process_path = "host-without-separator";
    IXOR_LOG_ERROR("x");
    ASSERT_EQ(fake::platform().autolog_dirs.size(), 1u);
    EXPECT_EQ(fake::platform().autolog_dirs[0],
              "@/../var/logs/ixor_default_autolog//host-without-separator/");
}

TEST_F(LogStatement, OverlongProcessPathIsCutToThePathBuffer)
{
    fake::platform().log_registered = false;
    fake::platform().process_path = std::string(400, 'p');
    IXOR_LOG_ERROR("x");
    ASSERT_EQ(fake::platform().autolog_dirs.size(), 1u);
    EXPECT_EQ(fake::platform().autolog_dirs[0].size(), 259u);
}

TEST(LogBasename, TextAfterLastSeparator)
{
    std::string sep(1, IXOR_OS_PATH_SEP);
    EXPECT_STREQ(ixor_log_basename(("a" + sep + "b" + sep + "c.cpp").c_str()), "c.cpp");
    EXPECT_STREQ(ixor_log_basename("plain.cpp"), "plain.cpp");
    EXPECT_STREQ(ixor_log_basename(("dir" + sep).c_str()), "");
}

TEST(LogTimestamp, PadsFieldsAndWritesFullYear)
{
    struct tm t;
    std::memset(&t, 0, sizeof t);
    t.tm_year = 2026 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 5;
    t.tm_hour = 3;
    t.tm_min = 4;
    t.tm_sec = 9;
    char buf[256] = {0};
    EXPECT_EQ(ixor_log_timestamp_of(buf, sizeof buf, &t), 19);
    EXPECT_STREQ(buf, "2026-01-05 03:04:09");
    t.tm_year = 12345 - 1900;
    ixor_log_timestamp_of(buf, sizeof buf, &t);
    EXPECT_STREQ(buf, "12345-01-05 03:04:09");
}

TEST(LogTimestamp, FallbackWhenLocalTimeFails)
{
    char buf[256];
    std::memset(buf, 0, sizeof buf);
    EXPECT_EQ(ixor_log_timestamp_of(buf, sizeof buf, nullptr), 20);
    EXPECT_STREQ(buf, "1970-01-01 00:00:00");

    char small[16];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(ixor_log_timestamp_of(small, 10, nullptr), 9);
    EXPECT_EQ(std::string(small, 10), "1970-01-0x") << "cut, no terminator, nothing beyond";

    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(ixor_log_timestamp_of(small, 1, nullptr), 0);
    EXPECT_EQ(small[0], 'x');
}

TEST(LogTimestamp, NullBufferOrZeroSizeWritesNothing)
{
    char buf[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(ixor_log_timestamp(nullptr, 256), 0);
    EXPECT_EQ(ixor_log_timestamp(buf, 0), 0);
    EXPECT_EQ(buf[0], 'a');
}

TEST(LogTimestamp, CurrentTimeIsWellFormed)
{
    char buf[256] = {0};
    EXPECT_EQ(ixor_log_timestamp(buf, sizeof buf), 19);
    EXPECT_TRUE(std::regex_match(buf, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)"))) << buf;
}

}  // namespace
