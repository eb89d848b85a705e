// Loading and saving INI files on disk: the size cap, atomic replacement,
// directory creation and the temporary files of dead writers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "agent_root.h"
#include "ixorbase_handles.h"

using namespace ixor_test;
using Ini = ixorbase::IniPtr;
using Names = std::set<std::string>;

namespace {

Names entries_of(const std::string &dir)
{
    Names names;
    for (const auto &entry : std::filesystem::directory_iterator(std::filesystem::u8path(dir)))
        names.insert(entry.path().filename().u8string());
    return names;
}

bool loads(const std::string &path) { return Ini(ixor_ini_file_load(path.c_str())) != nullptr; }

// Files up to 64 MiB load; larger ones, folders and missing files do not.
TEST(IniFile, LoadsWholeFilesUpToTheCap)
{
    TempDir dir;
    for (const long long size : {64ll << 20, (64ll << 20) + 1}) {
        std::ofstream(std::filesystem::u8path(dir.file("big.ini")), std::ios::binary)
                .seekp(size - 1)
            << '\n';
        EXPECT_EQ(loads(dir.file("big.ini")), size == 64ll << 20) << size;
    }
    EXPECT_FALSE(loads(dir.file("missing.ini")));
    EXPECT_FALSE(loads(dir.path()));
    EXPECT_TRUE(Ini(ixor_ini_file_load(nullptr)));
}

// A save replaces the whole file under either flag, leaves no temporary
// file and creates missing folders, UTF-8 names included.
TEST(IniFile, SaveReplacesTheWholeFileAndCreatesFolders)
{
    TempDir dir;
    Ini ini(ixor_ini_file_load(nullptr));
    ixor_ini_file_set(ini.get(), "new", "k", "v");
    const std::string path = dir.file("conf.ini");
    for (const int flag : {0, 1}) {
        write_file(path, "[old]\n" + std::string(10000, 'x') + "=1\n");
        ASSERT_EQ(ixor_ini_file_save(ini.get(), path.c_str(), flag), 0);
        EXPECT_EQ(read_file(path), "[new]\nk=v\n");
    }
    EXPECT_EQ(entries_of(dir.path()), Names{"conf.ini"});
    EXPECT_NE(ixor_ini_file_save(nullptr, path.c_str(), 0), 0);
    EXPECT_NE(ixor_ini_file_save(ini.get(), nullptr, 0), 0);
    const std::string deep = dir.file("caf\xC3\xA9/\xE9\x85\x8D\xE7\xBD\xAE/deep/conf.eni");
    ASSERT_EQ(ixor_ini_file_save(ini.get(), deep.c_str(), 1), 0);
    EXPECT_EQ(ini_value(deep, "new", "k"), "v");
}

// A document larger than a load reads, a folder that cannot be made, or a
// folder in the file's place: the old content stays, no temporary is left.
TEST(IniFile, FailedSaveKeepsWhatWasThere)
{
    TempDir dir;
    Ini ini(ixor_ini_file_load(nullptr));
    const std::string big(33 << 20, 'a');
    ixor_ini_file_set(ini.get(), "s", "one", big.c_str());
    ixor_ini_file_set(ini.get(), "s", "two", big.c_str());
    write_file(dir.file("plain-file"), "not a folder");
    EXPECT_NE(ixor_ini_file_save(ini.get(), dir.file("plain-file").c_str(), 0), 0);
    ixor_ini_file_unset(ini.get(), "s", "one");
    EXPECT_NE(ixor_ini_file_save(ini.get(), dir.file("plain-file/conf.ini").c_str(), 0), 0);
    EXPECT_EQ(read_file(dir.file("plain-file")), "not a folder");
    write_file(dir.file("occupied/inside.txt"), "kept");
    EXPECT_NE(ixor_ini_file_save(ini.get(), dir.file("occupied").c_str(), 1), 0);
    EXPECT_EQ(read_file(dir.file("occupied/inside.txt")), "kept");
    EXPECT_EQ(entries_of(dir.path()), (Names{"occupied", "plain-file"}));
}

// Only temporaries of this very file whose writer is gone are removed.
TEST(IniFile, SaveRemovesTemporariesOfDeadWritersOnly)
{
    TempDir dir;
    const Names kept{"reg.eni." + std::to_string(ixor::os::current_pid()) + ".9.tmp",
                     "other.eni.2147483646.1.tmp", "reg.eni.backup", "reg.eni.x.1.tmp"};
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
