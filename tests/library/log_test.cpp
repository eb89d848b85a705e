// The log statement: its prefix, the default log folder, the time stamp.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "fake_platform.h"
#include "ixor_ipc_log.h"

namespace {

using fake::Lines;

TEST(LogStatement, LineCarriesStampIdsTagFileAndLine)
{
    fake::reset();
    const int line = __LINE__ + 1;
    IXOR_LOG_WARN("flock file failed %s\n", "/x.lock");
    ASSERT_EQ(fake::platform().lines.size(), 1u);
    std::smatch m;
    const std::regex stamped(R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] ([\s\S]*))");
    ASSERT_TRUE(std::regex_match(fake::platform().lines[0].text, m, stamped));
    EXPECT_NE(fake::platform().lines[0].text.rfind("[1970-", 0), 0u)
        << "the local time, not the fallback";
    EXPECT_EQ(m[1].str(), "[warn] [pid:" + std::to_string(ixor_os_process_id()) +
                              "] [tid:" + std::to_string(ixor_os_thread_id()) +
                              "] [pux] [log_test.cpp:" + std::to_string(line) +
                              "] flock file failed /x.lock\n");
}

// A process without a registered log gets a default one of five files,
// named after the process, at its first statement, even one filtered out.
TEST(LogStatement, DefaultLogFolder)
{
    const std::string sep(1, IXOR_OS_PATH_SEP);
    const Lines lookups = {"ixor_process_get_path", "ixor_log_dir", "ixor_autolog_init 5"};
    struct Row {
        bool registered;
        const char *log_dir;
        std::string process;
        Lines calls;
        Lines dirs;
    };
    const Row rows[] = {
        {true, "D:/logs", "host", {}, {}},
        {false,
         "D:/logs",
         "agent" + sep + "bin" + sep + "host.exe",
         lookups,
         {"D:/logs//Trelmox/IXOR3_LOG/ixor_default_autolog//host.exe/"}},
        {false, nullptr, "host", lookups, {"@/../var/logs/ixor_default_autolog//host/"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.process);
        fake::reset();
        fake::platform().log_registered = row.registered;
        fake::platform().log_dir = row.log_dir;
        fake::platform().process_path = row.process;
        fake::platform().log_level = 0;
        IXOR_LOG_WARN("filtered\n");
        EXPECT_TRUE(fake::platform().lines.empty());
        EXPECT_EQ(fake::platform().calls, row.calls);
        EXPECT_EQ(fake::platform().autolog_dirs, row.dirs);
    }
}

// The stamp pads its fields. Without a local time the fallback is copied
// raw: whole with its NUL when it fits, else cut without a terminator and
// nothing written beyond.
TEST(LogTimestamp, FieldsAndFallback)
{
    struct tm t {};
    t.tm_year = 2026 - 1900;
    char buf[256];
    EXPECT_EQ(ixor_log_timestamp_of(buf, sizeof buf, &t), 19);
    EXPECT_STREQ(buf, "2026-01-00 00:00:00");
    const std::tuple<uint32_t, int, std::string> fallbacks[] = {
        {256, 20, std::string("1970-01-01 00:00:00\0x", 21)},
        {20, 19, "1970-01-01 00:00:00x"},
        {10, 9, "1970-01-0x"},
        {1, 0, "x"}};
    for (const auto &[size, written, bytes] : fallbacks) {
        std::memset(buf, 'x', sizeof buf);
        EXPECT_EQ(ixor_log_timestamp_of(buf, size, nullptr), written);
        EXPECT_EQ(std::string(buf, bytes.size()), bytes);
    }
    EXPECT_EQ(ixor_log_timestamp_of(nullptr, sizeof buf, &t), 0);
    EXPECT_EQ(ixor_log_timestamp_of(buf, 0, &t), 0);
    EXPECT_EQ(ixor_log_timestamp(nullptr, sizeof buf), 0);
    EXPECT_EQ(ixor_log_timestamp(buf, 0), 0);
    EXPECT_EQ(buf[0], 'x');
}

}  // namespace
