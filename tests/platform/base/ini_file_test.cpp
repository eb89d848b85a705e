// Loading and saving INI files on disk: missing, damaged and oversized
// files, atomic replacement and directory creation.
#include "base_test_util.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

using namespace base_test;
using Names = std::set<std::string>;

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
    ASSERT_EQ(ixor_ini_file_save(ini, dir.file("first.ini").c_str(), 0), 0);
    Ini again = load(dir.file("first.ini"));
    ASSERT_TRUE(again);
    ASSERT_EQ(ixor_ini_file_save(again.get(), dir.file("second.ini").c_str(), 0), 0);
    EXPECT_EQ(read_file(dir.file("first.ini")), read_file(dir.file("second.ini")));
}

TEST(IniFile, MissingDirectoryAndOversizedFilesDoNotLoad)
{
    TempDir dir;
    {
        std::ofstream out(std::filesystem::u8path(dir.file("huge.ini")), std::ios::binary);
        out << "[a]\nk=v\n";
        out.seekp(70ll << 20);
        out << '\n';
    }
    for (const std::string &path : {dir.file("missing.ini"), dir.path(), dir.file("huge.ini")})
        EXPECT_FALSE(load(path)) << path;
    Ini fresh(ixor_ini_file_load(nullptr));
    Ini empty = load_text(dir, "");
    ASSERT_TRUE(fresh && empty);
    EXPECT_TRUE(sections_of(fresh.get()).empty());
    EXPECT_TRUE(sections_of(empty.get()).empty());
}

TEST(IniFile, RandomBytesLoadAndSaveStably)
{
    TempDir dir;
    for (unsigned seed = 1; seed <= 3; ++seed) {
        Ini noise = load_text(dir, random_bytes(1 << 20, seed));
        ASSERT_TRUE(noise);
        expect_stable_round_trip(dir, noise.get());
    }
}

// A save replaces the whole file, leaves no temporary file behind and
// creates missing directories, UTF-8 names included.
TEST(IniFile, SaveReplacesTheWholeFileAndCreatesDirectories)
{
    TempDir dir;
    Ini ini(ixor_ini_file_load(nullptr));
    ixor_ini_file_set(ini.get(), "new", "k", "v");
    const std::string path = dir.file("conf.ini");
    write_file(path, "[old]\n" + std::string(10000, 'x') + "=1\n");
    for (const int flag : {0, 1}) {
        ASSERT_EQ(ixor_ini_file_save(ini.get(), path.c_str(), flag), 0);
        EXPECT_EQ(read_file(path), "[new]\nk=v\n");
    }
    EXPECT_EQ(entries_of(dir.path()), Names{"conf.ini"});
    EXPECT_NE(ixor_ini_file_save(nullptr, path.c_str(), 0), 0);
    EXPECT_NE(ixor_ini_file_save(ini.get(), nullptr, 0), 0);

    const std::string deep = dir.file("caf\xC3\xA9/\xE9\x85\x8D\xE7\xBD\xAE/deep/conf.eni");
    ASSERT_EQ(ixor_ini_file_save(ini.get(), deep.c_str(), 1), 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::u8path(deep)));
    EXPECT_EQ(get_or(load(deep).get(), "new", "k"), "v");
}

// Whether the directory cannot be made, the rename fails or the document
// has outgrown what a load reads back, the old content stays and no
// temporary file is left.
TEST(IniFile, FailedSaveKeepsWhatWasThere)
{
    TempDir dir;
    Ini ini(ixor_ini_file_load(nullptr));
    const std::string big(33 << 20, 'a');
    ixor_ini_file_set(ini.get(), "s", "one", big.c_str());
    ixor_ini_file_set(ini.get(), "s", "two", big.c_str());
    write_file(dir.file("plain-file"), "not a directory");
    EXPECT_NE(ixor_ini_file_save(ini.get(), dir.file("plain-file").c_str(), 0), 0);
    EXPECT_TRUE(read_file(dir.file("plain-file")) == "not a directory") << "overwritten";
    ixor_ini_file_unset(ini.get(), "s", "one");
    ixor_ini_file_set(ini.get(), "s", "two", "v");
    write_file(dir.file("plain-file"), "not a directory");
    EXPECT_NE(ixor_ini_file_save(ini.get(), dir.file("plain-file/conf.ini").c_str(), 0), 0);
    EXPECT_EQ(read_file(dir.file("plain-file")), "not a directory");

    write_file(dir.file("occupied/inside.txt"), "kept");
    EXPECT_NE(ixor_ini_file_save(ini.get(), dir.file("occupied").c_str(), 1), 0);
    EXPECT_EQ(read_file(dir.file("occupied/inside.txt")), "kept");
    EXPECT_EQ(entries_of(dir.path()), (Names{"occupied", "plain-file"}));
}

TEST(IniFile, SaveRemovesTemporariesOfDeadWritersOnly)
{
    TempDir dir;
    // This process may be saving; the others are not temporaries of this file.
    const Names kept{"reg.eni." + std::to_string(ixor::os::current_pid()) + ".9.tmp",
                     "other.eni.2147483646.1.tmp", "reg.eni.backup"};
    for (const std::string &name : kept)
        write_file(dir.file(name), "[half");
    write_file(dir.file("reg.eni.2147483646.7.tmp"), "[half");
    Ini ini(ixor_ini_file_load(nullptr));
    ASSERT_EQ(ixor_ini_file_save(ini.get(), dir.file("reg.eni").c_str(), 1), 0);
    Names expected = kept;
    expected.insert("reg.eni");
    EXPECT_EQ(entries_of(dir.path()), expected);
}

}  // namespace
