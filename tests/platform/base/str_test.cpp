// Splitting and bounded formatting of text.
#include "base_test_util.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::vector<std::string> split(const char *text, const char *sep)
{
    int count = -1;
    char **pieces = ixor_str_split(text, sep, &count);
    std::vector<std::string> out;
    if (!pieces)
        return {"<null>"};
    for (int i = 0; i < count; ++i)
        out.push_back(pieces[i]);
    EXPECT_EQ(pieces[count], nullptr);
    return out;
}

using Pieces = std::vector<std::string>;

TEST(StrSplit, EverySeparatorCutsAndNothingIsTrimmed)
{
    EXPECT_EQ(split("a;b;c", ";"), (Pieces{"a", "b", "c"}));
    EXPECT_EQ(split("a;;b", ";"), (Pieces{"a", "", "b"}));
    EXPECT_EQ(split("a;", ";"), (Pieces{"a", ""}));
    EXPECT_EQ(split(";a", ";"), (Pieces{"", "a"}));
    EXPECT_EQ(split(";", ";"), (Pieces{"", ""}));
    EXPECT_EQ(split(" a ; b ", ";"), (Pieces{" a ", " b "}));
    EXPECT_EQ(split("10.0.0.1", ";"), (Pieces{"10.0.0.1"}));
    EXPECT_EQ(split("a::b:c::", "::"), (Pieces{"a", "b:c", ""}));
    EXPECT_EQ(split("abc", ""), (Pieces{"abc"}));
}

TEST(StrSplit, EmptyAndNullInput)
{
    EXPECT_EQ(split("", ";"), Pieces{});
    int count = 5;
    EXPECT_EQ(ixor_str_split(nullptr, ";", &count), nullptr);
    EXPECT_EQ(count, 0);
    count = 5;
    EXPECT_EQ(ixor_str_split("a;b", nullptr, &count), nullptr);
    EXPECT_EQ(count, 0);
    char **pieces = ixor_str_split("x;y", ";", nullptr);
    ASSERT_NE(pieces, nullptr);
    EXPECT_STREQ(pieces[1], "y");
}

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

TEST(StrSnprintf, WritesAtMostSizeBytesAlwaysTerminated)
{
    char buf[16];
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(ixor_str_snprintf(buf, 5, "hello %s", "world"), 11);
    EXPECT_STREQ(buf, "hell");
    EXPECT_EQ(buf[5], '#');

    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(ixor_str_snprintf(buf, 0, "%s", "text"), 4);
    EXPECT_EQ(buf[0], '#');
    EXPECT_EQ(ixor_str_snprintf(nullptr, 10, "%d", 12345), 5);

    EXPECT_EQ(ixor_str_snprintf(buf, 6, "%05d", 42), 5);
    EXPECT_STREQ(buf, "00042");
    EXPECT_EQ(ixor_str_snprintf(buf, 1, "%s", "x"), 1);
    EXPECT_STREQ(buf, "");
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

TEST(StrSnprintf, HugeSizeIsPassedThrough)
{
    char buf[32];
    const int minus_one = -1;
    const uint64_t widened = static_cast<uint64_t>(static_cast<int64_t>(minus_one));
    EXPECT_EQ(ixor_str_snprintf(buf, widened, "%s/%s", "dir", "file"), 8);
    EXPECT_STREQ(buf, "dir/file");
}

}  // namespace
