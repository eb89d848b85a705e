// How INI text is read into a document and written back out.
#include "base_test_util.h"

#include <gtest/gtest.h>

#include <climits>

using base_test::get_or;
using base_test::Ini;
using base_test::load;
using base_test::load_text;
using base_test::sections_of;
using ixor_test::TempDir;
using namespace std::string_literals;

namespace {

TEST(IniText, ReadsKeysTrimmedAndValuesVerbatim)
{
    TempDir dir;
    Ini ini = load_text(dir, "  [main] rest is ignored\n"
                             "\t name \t= two  words \n"
                             "url=http://host/?a=b\n"
                             "empty=\n"
                             "[ spaced name ]\n"
                             "k=v\n");
    ASSERT_TRUE(ini);
    EXPECT_EQ(get_or(ini.get(), "main", "name"), " two  words ");
    EXPECT_EQ(get_or(ini.get(), "main", "url"), "http://host/?a=b");
    EXPECT_EQ(get_or(ini.get(), " spaced name ", "k"), "v");
    EXPECT_EQ(get_or(ini.get(), "spaced name", "k"), "<absent>");
}

TEST(IniText, EmptyValueIsEmptyTextAndAbsenceIsNull)
{
    TempDir dir;
    Ini ini = load_text(dir, "[s]\nempty=\n");
    ASSERT_TRUE(ini);
    const char *empty = ixor_ini_file_get(ini.get(), "s", "empty");
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty, "");
    EXPECT_EQ(ixor_ini_file_get(ini.get(), "s", "missing"), nullptr);
    EXPECT_EQ(ixor_ini_file_get(ini.get(), "missing", "empty"), nullptr);
    EXPECT_EQ(ixor_ini_file_get(ini.get(), nullptr, "empty"), nullptr);
    EXPECT_EQ(ixor_ini_file_get(ini.get(), "s", nullptr), nullptr);
    EXPECT_EQ(ixor_ini_file_get(nullptr, "s", "empty"), nullptr);
}

TEST(IniText, CrlfLinesLoadWithoutCarriageReturns)
{
    TempDir dir;
    Ini ini = load_text(dir, "[a]\r\nk=v\r\nlast=x\r");
    ASSERT_TRUE(ini);
    EXPECT_EQ(get_or(ini.get(), "a", "k"), "v");
    EXPECT_EQ(get_or(ini.get(), "a", "last"), "x");
}

TEST(IniText, CommentsAreSkippedAndDroppedOnSave)
{
    TempDir dir;
    Ini ini = load_text(dir, "; head\n[a]\n  # note=1\n;k=2\nk=3 ; not a comment\n");
    ASSERT_TRUE(ini);
    EXPECT_EQ(get_or(ini.get(), "a", "k"), "3 ; not a comment");
    EXPECT_EQ(get_or(ini.get(), "a", "# note"), "<absent>");
    ASSERT_EQ(ixor_ini_file_save(ini.get(), dir.file("out.ini").c_str(), 0), 0);
    EXPECT_EQ(ixor_test::read_file(dir.file("out.ini")), "[a]\nk=3 ; not a comment\n");
}

TEST(IniText, MalformedLinesAreSkipped)
{
    TempDir dir;
    const std::string text = "orphan=1\n[a]\nno equals sign\n=nokey\n[unclosed\nnul=\0x\n"
                             "cr=in\rside\nok=1\n[]\nlost=1\n[b]\nok=2\n"s;
    Ini ini = load_text(dir, text);
    ASSERT_TRUE(ini);
    EXPECT_EQ(sections_of(ini.get()), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(get_or(ini.get(), "a", "ok"), "1");
    EXPECT_EQ(get_or(ini.get(), "b", "ok"), "2");
    for (const char *key : {"orphan", "no equals sign", "", "nul", "cr", "lost"})
        EXPECT_EQ(get_or(ini.get(), "a", key), "<absent>") << key;
    EXPECT_EQ(get_or(ini.get(), "", "lost"), "<absent>");
}

TEST(IniText, DuplicateSectionsMergeAndLaterValuesWin)
{
    TempDir dir;
    Ini ini = load_text(dir, "[a]\nx=1\ny=1\n[b]\nz=1\n[a]\nx=2\nw=2\n");
    ASSERT_TRUE(ini);
    EXPECT_EQ(sections_of(ini.get()), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(get_or(ini.get(), "a", "x"), "2");
    ASSERT_EQ(ixor_ini_file_save(ini.get(), dir.file("out.ini").c_str(), 0), 0);
    EXPECT_EQ(ixor_test::read_file(dir.file("out.ini")), "[a]\nx=2\ny=1\nw=2\n\n[b]\nz=1\n");
}

TEST(IniText, SectionsKeepOrderThroughAppendAndDelete)
{
    TempDir dir;
    Ini ini = load_text(dir, "[c]\nk=1\n[a]\nk=1\n[b]\nk=1\n");
    ASSERT_TRUE(ini);
    EXPECT_EQ(sections_of(ini.get()), (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_EQ(ixor_ini_file_set(ini.get(), "0", "k", "new"), 0);
    EXPECT_EQ(ixor_ini_file_set(ini.get(), "a", "k", "changed"), 0);
    EXPECT_EQ(ixor_ini_file_del(ini.get(), "c"), 0);
    EXPECT_EQ(ixor_ini_file_del(ini.get(), "never there"), 0);
    EXPECT_EQ(sections_of(ini.get()), (std::vector<std::string>{"a", "b", "0"}));
    EXPECT_EQ(get_or(ini.get(), "c", "k"), "<absent>");
}

TEST(IniText, ForeachStopsOnNonZeroAndToleratesDeletion)
{
    TempDir dir;
    Ini ini = load_text(dir, "[a]\n[b]\n[c]\n[d]\n");
    ASSERT_TRUE(ini);
    std::vector<std::string> seen;
    const int stopped = ixor_ini_file_foreach(ini.get(), &seen, [](ixor_ini *, const char *s,
                                                                   void *user) {
        static_cast<std::vector<std::string> *>(user)->push_back(s);
        return std::string(s) == "b" ? 7 : 0;
    });
    EXPECT_EQ(stopped, 7);
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "b"}));

    seen.clear();
    ixor_ini_file_foreach(ini.get(), &seen, [](ixor_ini *walked, const char *s, void *user) {
        static_cast<std::vector<std::string> *>(user)->push_back(s);
        ixor_ini_file_del(walked, s);
        ixor_ini_file_del(walked, "c");
        return 0;
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "b", "d"}));
    EXPECT_TRUE(sections_of(ini.get()).empty());
    EXPECT_NE(ixor_ini_file_foreach(nullptr, nullptr, [](ixor_ini *, const char *, void *) {
        return 0;
    }), 0);
}

TEST(IniText, GetIntFollowsStrtolAndClampsTo32Bits)
{
    TempDir dir;
    Ini ini = load_text(dir, "[n]\nplain=42\nblank= -7\nplus=+5x\nword=abc\nnone=\n"
                             "big=99999999999\nsmall=-99999999999\n");
    ASSERT_TRUE(ini);
    const std::pair<const char *, int> cases[] = {
        {"plain", 42}, {"blank", -7}, {"plus", 5}, {"word", 0},
        {"none", 0},   {"big", INT_MAX}, {"small", INT_MIN}};
    for (const auto &[key, expected] : cases)
        EXPECT_EQ(ixor_ini_file_get_int(ini.get(), "n", key, 99), expected) << key;
    EXPECT_EQ(ixor_ini_file_get_int(ini.get(), "n", "absent", 99), 99);
    EXPECT_EQ(ixor_ini_file_get_int(ini.get(), "absent", "plain", -3), -3);
}

TEST(IniText, SetUnsetAndSetIntChangeOnlyTheirKey)
{
    Ini ini(ixor_ini_file_load(nullptr));
    ASSERT_TRUE(ini);
    EXPECT_TRUE(sections_of(ini.get()).empty());
    EXPECT_EQ(ixor_ini_file_set_int(ini.get(), "s", "n", -2147483647 - 1), 0);
    EXPECT_EQ(ixor_ini_file_set(ini.get(), "s", "t", "text"), 0);
    EXPECT_EQ(get_or(ini.get(), "s", "n"), "-2147483648");
    EXPECT_EQ(ixor_ini_file_unset(ini.get(), "s", "n"), 0);
    EXPECT_EQ(ixor_ini_file_unset(ini.get(), "s", "n"), 0);
    EXPECT_EQ(get_or(ini.get(), "s", "n"), "<absent>");
    EXPECT_EQ(get_or(ini.get(), "s", "t"), "text");
    EXPECT_NE(ixor_ini_file_set(ini.get(), "s", "t", nullptr), 0);
    EXPECT_NE(ixor_ini_file_set(nullptr, "s", "t", "v"), 0);
    EXPECT_NE(ixor_ini_file_unset(ini.get(), nullptr, "t"), 0);
    EXPECT_NE(ixor_ini_file_del(ini.get(), nullptr), 0);
    ixor_ini_file_free(nullptr);
}

TEST(IniText, ValuePointerSurvivesChangesToOtherEntries)
{
    Ini ini(ixor_ini_file_load(nullptr));
    ixor_ini_file_set(ini.get(), "keep", "k", "stable value");
    const char *value = ixor_ini_file_get(ini.get(), "keep", "k");
    for (int i = 0; i < 2000; ++i) {
        const std::string name = std::to_string(i);
        ixor_ini_file_set(ini.get(), name.c_str(), "k", "v");
        ixor_ini_file_set(ini.get(), "keep", name.c_str(), "other");
    }
    ixor_ini_file_del(ini.get(), "7");
    ixor_ini_file_unset(ini.get(), "keep", "8");
    EXPECT_STREQ(value, "stable value");
    EXPECT_EQ(value, ixor_ini_file_get(ini.get(), "keep", "k"));
}

TEST(IniText, LegalTextRoundTripsExactly)
{
    TempDir dir;
    Ini ini(ixor_ini_file_load(nullptr));
    const std::pair<const char *, const char *> entries[] = {
        {"spaces", "  both ends  "}, {"equals", "a=b=c"}, {"comment-like", "; # [x]"},
        {"utf8", "\xC3\xA9\xE9\x85\x8D"}, {"empty", ""}, {"k[x]", "]"}, {"mid;#", "v"}};
    for (const auto &[key, value] : entries)
        ASSERT_EQ(ixor_ini_file_set(ini.get(), "[odd section", key, value), 0);
    ixor_ini_file_set(ini.get(), " padded ", "k", "v");
    ixor_ini_file_set(ini.get(), "empty section", "gone", "x");
    ixor_ini_file_unset(ini.get(), "empty section", "gone");
    const std::string path = dir.file("round.ini");
    ASSERT_EQ(ixor_ini_file_save(ini.get(), path.c_str(), 1), 0);

    Ini back = load(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(sections_of(back.get()),
              (std::vector<std::string>{"[odd section", " padded ", "empty section"}));
    for (const auto &[key, value] : entries)
        EXPECT_EQ(get_or(back.get(), "[odd section", key), value) << key;
    EXPECT_EQ(get_or(back.get(), " padded ", "k"), "v");
}

struct Hostile {
    const char *section;
    const char *key;
    const char *value;
};

// Text that would load back differently, or as an extra section, is
// refused and the file on disk stays as it was.
TEST(IniText, HostileTextIsRefusedAndLeavesOldFile)
{
    const Hostile cases[] = {
        {"", "k", "v"},          {"a]b", "k", "v"},        {"a\nb", "k", "v"},
        {"a\rb", "k", "v"},      {"s", "", "v"},           {"s", "a=b", "v"},
        {"s", "a\nb", "v"},      {"s", "k\r", "v"},        {"s", "[evil]", "v"},
        {"s", ";k", "v"},        {"s", "#k", "v"},         {"s", " k", "v"},
        {"s", "k\t", "v"},       {"s", "k", "v\n[evil]"},  {"s", "k", "v\r\n[evil]\nx=1"},
    };
    TempDir dir;
    const std::string path = dir.file("keep.ini");
    const std::string old_text = "[old]\nk=v\n";
    ixor_test::write_file(path, old_text);
    for (const Hostile &h : cases) {
        Ini ini = load(path);
        ASSERT_TRUE(ini);
        ASSERT_EQ(ixor_ini_file_set(ini.get(), h.section, h.key, h.value), 0);
        EXPECT_NE(ixor_ini_file_save(ini.get(), path.c_str(), 1), 0)
            << "section [" << h.section << "] key [" << h.key << "]";
        EXPECT_EQ(ixor_test::read_file(path), old_text);
        EXPECT_EQ(base_test::entries_of(dir.path()), std::set<std::string>{"keep.ini"});
    }
}

TEST(IniText, TenThousandSectionsKeepTheirOrderThroughDeletes)
{
    TempDir dir;
    Ini ini(ixor_ini_file_load(nullptr));
    const int count = 10000;
    for (int i = 0; i < count; ++i) {
        const std::string name = "product" + std::to_string(i);
        ixor_ini_file_set(ini.get(), name.c_str(), "priority", std::to_string(i).c_str());
        ixor_ini_file_set(ini.get(), name.c_str(), "addr", "127.0.0.1;127.0.0.2");
    }
    for (int i = 0; i < count; i += 2)
        ixor_ini_file_del(ini.get(), ("product" + std::to_string(i)).c_str());
    const std::string path = dir.file("big.ini");
    ASSERT_EQ(ixor_ini_file_save(ini.get(), path.c_str(), 0), 0);
    Ini back = load(path);
    ASSERT_TRUE(back);
    const std::vector<std::string> names = sections_of(back.get());
    ASSERT_EQ(names.size(), static_cast<size_t>(count / 2));
    for (int i = 1; i < count; i += 2) {
        const std::string name = "product" + std::to_string(i);
        ASSERT_EQ(names[static_cast<size_t>(i / 2)], name);
        ASSERT_EQ(ixor_ini_file_get_int(back.get(), name.c_str(), "priority", -1), i);
    }
}

}  // namespace
