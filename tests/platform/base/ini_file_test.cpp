// Loading and saving INI files on disk: missing, damaged and oversized
// files, atomic replacement and directory creation.
#include "base_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>

using base_test::entries_of;
using base_test::get_or;
using base_test::Ini;
using base_test::load;
using base_test::load_text;
using base_test::sections_of;
using ixor_test::read_file;
using ixor_test::TempDir;
using ixor_test::write_file;

using namespace std::string_literals;

namespace {

std::string random_bytes(size_t size, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string bytes(size, '\0');
    for (char &c : bytes)
        c = static_cast<char>(gen() & 0xff);
    return bytes;
}

// Saves what was loaded, loads that again and saves once more: a parsed
// document always saves, and the second generation is identical.
void expect_stable_round_trip(const TempDir &dir, ixor_ini *ini)
{
    const std::string first = dir.file("first.ini");
    const std::string second = dir.file("second.ini");
    ASSERT_EQ(ixor_ini_file_save(ini, first.c_str(), 0), 0);
    Ini again = load(first);
    ASSERT_TRUE(again);
    ASSERT_EQ(ixor_ini_file_save(again.get(), second.c_str(), 0), 0);
    EXPECT_EQ(read_file(first), read_file(second));
}

TEST(IniFile, LoadOfNothingMissingOrEmpty)
{
    TempDir dir;
    Ini fresh(ixor_ini_file_load(nullptr));
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(sections_of(fresh.get()).empty());
    EXPECT_FALSE(load(dir.file("missing.ini")));
    EXPECT_FALSE(load(dir.path()));
    Ini empty = load_text(dir, "");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(sections_of(empty.get()).empty());
}

TEST(IniFile, DamagedContentLoadsWhatItCan)
{
    TempDir dir;
    for (unsigned seed = 1; seed <= 3; ++seed) {
        Ini noise = load_text(dir, random_bytes(1 << 20, seed));
        ASSERT_TRUE(noise);
        expect_stable_round_trip(dir, noise.get());
    }
    Ini truncated = load_text(dir, "[a]\nk=v\n[b]\nhalf=val");
    ASSERT_TRUE(truncated);
    EXPECT_EQ(get_or(truncated.get(), "b", "half"), "val");
    Ini open_section = load_text(dir, "[a]\nk=v\n[unfinish");
    ASSERT_TRUE(open_section);
    EXPECT_EQ(sections_of(open_section.get()), std::vector<std::string>{"a"});
    Ini with_nuls = load_text(dir, "[a]\nk=v\n\0\0\0\n[b\0]\nx=1\n"s);
    ASSERT_TRUE(with_nuls);
    EXPECT_EQ(get_or(with_nuls.get(), "a", "x"), "1");
    expect_stable_round_trip(dir, with_nuls.get());
}

TEST(IniFile, FilesOverTheSizeCapAreRefused)
{
    TempDir dir;
    const std::string path = dir.file("huge.ini");
    {
        std::ofstream out(std::filesystem::u8path(path), std::ios::binary);
        out << "[a]\nk=v\n";
        out.seekp(70ll << 20);
        out << '\n';
    }
    EXPECT_FALSE(load(path));
}

TEST(IniFile, SaveReplacesWholeFileAndLeavesNoTemporary)
{
    TempDir dir;
    const std::string path = dir.file("conf.ini");
    write_file(path, "[old]\n" + std::string(10000, 'x') + "=1\n");
    Ini ini(ixor_ini_file_load(nullptr));
    ixor_ini_file_set(ini.get(), "new", "k", "v");
    ASSERT_EQ(ixor_ini_file_save(ini.get(), path.c_str(), 0), 0);
    EXPECT_EQ(read_file(path), "[new]\nk=v\n");
    ASSERT_EQ(ixor_ini_file_save(ini.get(), path.c_str(), 1), 0);
    EXPECT_EQ(read_file(path), "[new]\nk=v\n");
    EXPECT_EQ(entries_of(dir.path()), std::set<std::string>{"conf.ini"});
    EXPECT_NE(ixor_ini_file_save(nullptr, path.c_str(), 0), 0);
    EXPECT_NE(ixor_ini_file_save(ini.get(), nullptr, 0), 0);
}

TEST(IniFile, SaveRemovesTemporariesOfDeadWritersOnly)
{
    TempDir dir;
    const std::string path = dir.file("reg.eni");
    const std::string dead = path + ".2147483646.7.tmp";
    const std::string own = path + "." + std::to_string(ixor_test::current_pid()) + ".9.tmp";
    const std::string other_file = dir.file("other.eni.2147483646.1.tmp");
    const std::string not_temp = path + ".backup";
    for (const std::string &file : {dead, own, other_file, not_temp})
        write_file(file, "[half");
    Ini ini = load_text(dir, "[a]\nk=v\n");
    ASSERT_EQ(ixor_ini_file_save(ini.get(), path.c_str(), 1), 0);
    EXPECT_FALSE(ixor_test::file_exists(dead)) << "its writer is gone";
    EXPECT_TRUE(ixor_test::file_exists(own)) << "a save of this process may be under way";
    EXPECT_TRUE(ixor_test::file_exists(other_file)) << "another file's business";
    EXPECT_TRUE(ixor_test::file_exists(not_temp));
}

TEST(IniFile, FailedSaveKeepsWhatWasThere)
{
    TempDir dir;
    Ini ini(ixor_ini_file_load(nullptr));
    ixor_ini_file_set(ini.get(), "s", "k", "v");

    const std::string blocker = dir.file("plain-file");
    write_file(blocker, "not a directory");
    EXPECT_NE(ixor_ini_file_save(ini.get(), (blocker + "/conf.ini").c_str(), 0), 0);
    EXPECT_EQ(read_file(blocker), "not a directory");

    const std::string occupied = dir.file("occupied");
    write_file(occupied + "/inside.txt", "kept");
    EXPECT_NE(ixor_ini_file_save(ini.get(), occupied.c_str(), 1), 0);
    EXPECT_EQ(read_file(occupied + "/inside.txt"), "kept");
    EXPECT_EQ(entries_of(dir.path()), (std::set<std::string>{"occupied", "plain-file"}));
}

TEST(IniFile, SaveCreatesMissingDirectoriesWithUtf8Names)
{
    TempDir dir;
    Ini ini(ixor_ini_file_load(nullptr));
    ixor_ini_file_set(ini.get(), "s", "k", "v");
    const std::string path = dir.file("caf\xC3\xA9/\xE9\x85\x8D\xE7\xBD\xAE/deep/conf.eni");
    ASSERT_EQ(ixor_ini_file_save(ini.get(), path.c_str(), 1), 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::u8path(path)));
    Ini back = load(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(get_or(back.get(), "s", "k"), "v");
}

}  // namespace
