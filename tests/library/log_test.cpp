// The log statement: prefix, level filtering, the default log directory and
// the time stamp.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "fake_platform.h"
#include "ixor_ipc_log.h"

namespace {

using Lines = std::vector<std::string>;

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

// Each level has its word and number; error lines pass any level.
TEST_F(LogStatement, LevelFiltering)
{
    const std::pair<int, Lines> cases[] = {{-5, {"e"}}, {0, {"e"}}, {1, {"e", "w"}},
                                           {2, {"e", "w", "i"}}, {3, {"e", "w", "i", "d 7"}}};
    const char *words[] = {"[error]", "[warn]", "[info]", "[debug]"};
    for (const auto &[current, written] : cases) {
        fake::reset();
        fake::platform().log_level = current;
        IXOR_LOG_ERROR("e");
        IXOR_LOG_WARN("w");
        IXOR_LOG_INFO("i");
        IXOR_LOG_DEBUG("d %d", 7);
        EXPECT_EQ(fake::tails(), written) << "level " << current;
        for (size_t i = 0; i < fake::platform().lines.size(); i++) {
            const fake::LogLine &out = fake::platform().lines[i];
            EXPECT_EQ(out.level, int(i));
            EXPECT_NE(out.text.find(std::string("] ") + words[i] + " [pid:"), std::string::npos);
        }
    }
}

// A process without a registered log gets a default one at its first
// statement, even one that is filtered out; a registered log is left alone.
TEST_F(LogStatement, DefaultLogDirectory)
{
    const std::string sep(1, IXOR_OS_PATH_SEP);
    const std::string beside = "@/../var/logs/ixor_default_autolog//";
    struct Case {
        bool registered;
        const char *log_dir;  // null when the shared log directory is unknown
        std::string process;
        Lines dirs;
    };
    const Case cases[] = {
        {true, "D:/logs", "host", {}},
        {false, "D:/logs", "agent" + sep + "bin" + sep + "host.exe",
         {"D:/logs//Trelmox/IXOR3_LOG/ixor_default_autolog//host.exe/"}},
        {false, nullptr, "host-without-separator", {beside + "host-without-separator/"}},
        // Cut to the 260-byte path buffer.
        {false, nullptr, std::string(400, 'p'), {beside + std::string(259 - beside.size(), 'p')}},
    };
    for (const Case &c : cases) {
        fake::reset();
        fake::platform().log_registered = c.registered;
        fake::platform().log_dir_ok = c.log_dir != nullptr;
        fake::platform().log_dir = c.log_dir ? c.log_dir : "";
        fake::platform().process_path = c.process;
        fake::platform().log_level = 0;
        IXOR_LOG_WARN("filtered\n");
        EXPECT_TRUE(fake::platform().lines.empty());
        EXPECT_EQ(fake::platform().autolog_dirs, c.dirs) << c.process;
        const Lines lookups = {"ixor_process_get_path", "ixor_log_dir", "ixor_autolog_init 5"};
        EXPECT_EQ(fake::calls(), c.registered ? Lines{} : lookups);
    }
}

// The stamp pads its fields and writes the full year. Without a local time
// the fallback is copied raw: whole with its NUL when it fits, else cut
// without a terminator and nothing written beyond.
TEST(LogTimestamp, FieldsAndFallback)
{
    struct tm t;
    std::memset(&t, 0, sizeof t);
    t.tm_year = 2026 - 1900;
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

    std::memset(buf, 0, sizeof buf);
    EXPECT_EQ(ixor_log_timestamp_of(buf, sizeof buf, nullptr), 20);
    EXPECT_STREQ(buf, "1970-01-01 00:00:00");
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(ixor_log_timestamp_of(buf, 10, nullptr), 9);
    EXPECT_EQ(std::string(buf, 11), "1970-01-0xx");
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(ixor_log_timestamp_of(buf, 1, nullptr), 0);
    EXPECT_EQ(ixor_log_timestamp(nullptr, 256), 0);
    EXPECT_EQ(ixor_log_timestamp(buf, 0), 0);
    EXPECT_EQ(buf[0], 'x');
}

}  // namespace
