// How INI text is read into a document, changed and written back out.
#include <gtest/gtest.h>

#include <climits>

#include "agent_root.h"
#include "ixorbase_handles.h"

using namespace ixor_test;
using namespace std::string_literals;
using Ini = ixorbase::IniPtr;
using Names = std::vector<std::string>;

namespace {

Ini parsed(const TempDir &dir, const std::string &text)
{
    write_file(dir.file("in.ini"), text);
    return Ini(ixor_ini_file_load(dir.file("in.ini").c_str()));
}

std::string saved(const TempDir &dir, ixor_ini *ini)
{
    EXPECT_EQ(ixor_ini_file_save(ini, dir.file("out.ini").c_str(), 0), 0);
    return read_file(dir.file("out.ini"));
}

// Keys are trimmed and values kept verbatim; CRs before line ends,
// comments and malformed lines are dropped; a repeated section gathers its
// keys and the later value wins; truncated text keeps what is whole.
TEST(IniText, LoadsAndSavesInThePlainForm)
{
    const std::pair<std::string, std::string> cases[] = {
        {"  [main] rest is ignored\n\t name \t= two  words \nurl=http://host/?a=b\nempty=\n"
         "[ spaced name ]\nk=v\n",
         "[main]\nname= two  words \nurl=http://host/?a=b\nempty=\n\n[ spaced name ]\nk=v\n"},
        {"[a]\r\nk=v\r\nlast=x\r", "[a]\nk=v\nlast=x\n"},
        {"; head\n[a]\n  # note=1\n;k=2\nk=3 ; not a comment\n", "[a]\nk=3 ; not a comment\n"},
        {"orphan=1\n[a]\nno equals sign\n=nokey\n[unclosed\nnul=\0x\ncr=in\rside\nok=1\n[]\n"
         "lost=1\n[b]\nok=2\n"s,
         "[a]\nok=1\n\n[b]\nok=2\n"},
        {"[a]\nx=1\ny=1\n[b]\nz=1\n[a]\nx=2\nw=2\n", "[a]\nx=2\ny=1\nw=2\n\n[b]\nz=1\n"},
        {"[a]\nk=v\n[b]\nhalf=val", "[a]\nk=v\n\n[b]\nhalf=val\n"},
        {"[a]\nk=v\n[unfinish", "[a]\nk=v\n"},
        {"[a]\nk=v\n\0\0\0\n[b\0]\nx=1\n"s, "[a]\nk=v\nx=1\n"},
    };
    TempDir dir;
    for (const auto &[text, plain] : cases) {
        Ini ini = parsed(dir, text);
        ASSERT_TRUE(ini);
        EXPECT_EQ(saved(dir, ini.get()), plain) << text;
    }
}

// The walk visits sections in file order, which breaks ties between
// registrations: deleted ones drop out, new ones go last, changed ones stay.
TEST(IniText, SectionsKeepFileOrderThroughDeleteAppendAndSave)
{
    TempDir dir;
    std::string text;
    Names kept;
    for (int i = 0; i < 1000; ++i) {
        text += "[p" + std::to_string(i) + "]\npriority=" + std::to_string(i) + "\n";
        if (i % 2)
            kept.push_back("p" + std::to_string(i));
    }
    Ini ini = parsed(dir, text);
    for (int i = 0; i < 1000; i += 2)
        EXPECT_EQ(ixor_ini_file_del(ini.get(), ("p" + std::to_string(i)).c_str()), 0);
    EXPECT_EQ(ixor_ini_file_del(ini.get(), "never there"), 0);
    ixor_ini_file_set(ini.get(), "new", "k", "v");
    ixor_ini_file_set(ini.get(), "p1", "k", "changed");
    kept.push_back("new");
    saved(dir, ini.get());
    EXPECT_EQ(sections_in(dir.file("out.ini")), kept);
    EXPECT_EQ(ini_value(dir.file("out.ini"), "p999", "priority"), "999");
    EXPECT_EQ(ini_value(dir.file("out.ini"), "p0", "priority"), "<absent>");
}

// Names match exactly; an empty value is empty text and absence is null;
// numbers read as strtol does, clamped to 32 bits.
TEST(IniText, LookupsOfTextAndNumbers)
{
    TempDir dir;
    Ini ini = parsed(dir, "[ spaced ]\nk=v\n[s]\nempty=\n[n]\nplain=42\nblank= -7\nplus=+5x\n"
                          "word=abc\nnone=\nbig=99999999999\nsmall=-99999999999\n");
    EXPECT_STREQ(ixor_ini_file_get(ini.get(), " spaced ", "k"), "v");
    EXPECT_STREQ(ixor_ini_file_get(ini.get(), "s", "empty"), "");
    const std::pair<const char *, const char *> absent[] = {{"spaced", "k"},
                                                            {"s", "missing"},
                                                            {"missing", "empty"},
                                                            {nullptr, "empty"},
                                                            {"s", nullptr}};
    for (const auto &[section, key] : absent)
        EXPECT_EQ(ixor_ini_file_get(ini.get(), section, key), nullptr);
    EXPECT_EQ(ixor_ini_file_get(nullptr, "s", "empty"), nullptr);
    const std::pair<const char *, int> numbers[] = {
        {"plain", 42}, {"blank", -7},    {"plus", 5},        {"word", 0},
        {"none", 0},   {"big", INT_MAX}, {"small", INT_MIN}, {"absent", 99}};
    for (const auto &[key, expected] : numbers)
        EXPECT_EQ(ixor_ini_file_get_int(ini.get(), "n", key, 99), expected) << key;
    EXPECT_EQ(ixor_ini_file_get_int(ini.get(), "absent", "plain", -3), -3);
}

// A value read stays valid whatever else changes; set and unset touch
// only their key.
TEST(IniText, SetAndUnsetChangeOnlyTheirKey)
{
    Ini ini(ixor_ini_file_load(nullptr));
    ASSERT_TRUE(ini);
    ixor_ini_file_set(ini.get(), "keep", "k", "stable value");
    const char *value = ixor_ini_file_get(ini.get(), "keep", "k");
    EXPECT_EQ(ixor_ini_file_set_int(ini.get(), "s", "n", INT_MIN), 0);
    EXPECT_EQ(ixor_ini_file_set(ini.get(), "s", "t", "text"), 0);
    EXPECT_STREQ(ixor_ini_file_get(ini.get(), "s", "n"), "-2147483648");
    EXPECT_EQ(ixor_ini_file_unset(ini.get(), "s", "n"), 0);
    EXPECT_EQ(ixor_ini_file_unset(ini.get(), "s", "n"), 0) << "already absent";
    EXPECT_EQ(ixor_ini_file_get(ini.get(), "s", "n"), nullptr);
    EXPECT_STREQ(ixor_ini_file_get(ini.get(), "s", "t"), "text");
    for (int i = 0; i < 2000; ++i) {
        ixor_ini_file_set(ini.get(), std::to_string(i).c_str(), "k", "v");
        ixor_ini_file_set(ini.get(), "keep", std::to_string(i).c_str(), "other");
    }
    ixor_ini_file_del(ini.get(), "7");
    ixor_ini_file_unset(ini.get(), "keep", "8");
    EXPECT_EQ(value, ixor_ini_file_get(ini.get(), "keep", "k"));
    EXPECT_STREQ(value, "stable value");
    EXPECT_NE(ixor_ini_file_set(ini.get(), "s", "t", nullptr), 0);
    EXPECT_NE(ixor_ini_file_set(nullptr, "s", "t", "v"), 0);
    EXPECT_NE(ixor_ini_file_unset(ini.get(), nullptr, "t"), 0);
    EXPECT_NE(ixor_ini_file_del(ini.get(), nullptr), 0);
    EXPECT_EQ(
        ixor_ini_file_foreach(nullptr, nullptr, [](ixor_ini *, const char *, void *) { return 0; }),
        -1);
    EXPECT_EQ(ixor_ini_file_foreach(ini.get(), nullptr, nullptr), -1);
    ixor_ini_file_free(nullptr);
}

TEST(IniText, LegalTextRoundTripsExactly)
{
    TempDir dir;
    Ini ini(ixor_ini_file_load(nullptr));
    const std::pair<const char *, const char *> entries[] = {{"spaces", "  both ends  "},
                                                             {"equals", "a=b=c"},
                                                             {"comment-like", "; # [x]"},
                                                             {"utf8", "\xC3\xA9\xE9\x85\x8D"},
                                                             {"empty", ""},
                                                             {"k[x]", "]"},
                                                             {"mid;#", "v"}};
    for (const auto &[key, value] : entries)
        ASSERT_EQ(ixor_ini_file_set(ini.get(), "[odd section", key, value), 0);
    ixor_ini_file_set(ini.get(), " padded ", "k", "v");
    ixor_ini_file_set(ini.get(), "empty section", "gone", "x");
    ixor_ini_file_unset(ini.get(), "empty section", "gone");
    saved(dir, ini.get());
    const std::string out = dir.file("out.ini");
    EXPECT_EQ(sections_in(out), (Names{"[odd section", " padded ", "empty section"}));
    for (const auto &[key, value] : entries)
        EXPECT_EQ(ini_value(out, "[odd section", key), value) << key;
    EXPECT_EQ(ini_value(out, " padded ", "k"), "v");
}

// Text that would load back differently, or as an extra section, is
// refused and the file on disk stays as it was, with nothing beside it.
TEST(IniText, HostileTextIsRefusedAndLeavesOldFile)
{
    const char *const cases[][3] = {
        {"", "k", "v"},     {"a]b", "k", "v"},       {"a\nb", "k", "v"},
        {"a\rb", "k", "v"}, {"s", "", "v"},          {"s", "a=b", "v"},
        {"s", "a\nb", "v"}, {"s", "k\r", "v"},       {"s", "[evil]", "v"},
        {"s", ";k", "v"},   {"s", "#k", "v"},        {"s", " k", "v"},
        {"s", "k\t", "v"},  {"s", "k", "v\n[evil]"}, {"s", "k", "v\r\n[evil]\nx=1"},
    };
    TempDir dir;
    const std::string path = dir.file("in.ini");
    for (const auto &[section, key, value] : cases) {
        Ini ini = parsed(dir, "[old]\nk=v\n");
        ASSERT_EQ(ixor_ini_file_set(ini.get(), section, key, value), 0);
        EXPECT_NE(ixor_ini_file_save(ini.get(), path.c_str(), 1), 0)
            << "section [" << section << "] key [" << key << "]";
        EXPECT_EQ(read_file(path), "[old]\nk=v\n");
    }
}

}  // namespace
