// INI text read into a document, changed and written back; INI files
// loaded and saved on disk: the size cap, atomic replacement, folders and
// the temporary files of dead writers.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "agent_root.h"
#include "ixorbase_handles.h"

using namespace ixor_test;
using namespace std::string_literals;
using Ini = ixorbase::IniPtr;
using Entries = std::set<std::string>;

namespace {

Ini parsed(const TempDir &dir, const std::string &text)
{
    write_file(dir.file("in.ini"), text);
    return Ini(ixor_ini_file_load(dir.file("in.ini").c_str()));
}

std::string saved(const TempDir &dir, ixor_ini *ini)
{
    const std::string out = dir.file("out.ini");
    return ixor_ini_file_save(ini, out.c_str(), 0) == 0 ? read_file(out) : "<failed>";
}

Entries entries_of(const std::string &dir)
{
    Entries names;
    for (const auto &entry : std::filesystem::directory_iterator(std::filesystem::u8path(dir)))
        names.insert(entry.path().filename().u8string());
    return names;
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
        {"[a]\nk=v\n\0\0\0\n[b\0]\nx=1\n[b]\nhalf=val"s, "[a]\nk=v\nx=1\n\n[b]\nhalf=val\n"},
    };
    TempDir dir;
    for (const auto &[text, plain] : cases) {
        Ini ini = parsed(dir, text);
        ASSERT_TRUE(ini);
        EXPECT_EQ(saved(dir, ini.get()), plain) << text;
    }
}

// A document with one section, saved over an older file.
struct SavedOnce {
    SavedOnce()
    {
        ixor_ini_file_set(ini.get(), "new", "k", "v");
        write_file(path, "[old]\n" + std::string(10000, 'x') + "=1\n");
        EXPECT_EQ(ixor_ini_file_save(ini.get(), path.c_str(), 1), 0);
    }

    TempDir dir;
    const std::string path = dir.file("conf.ini");
    Ini ini{ixor_ini_file_load(nullptr)};
};

constexpr long long kLoadCap = 64ll << 20;

TEST(IniFile, LoadsFilesUpToTheCap)
{
    TempDir dir;
    const std::string big_file = dir.file("big.ini");
    for (const long long size : {kLoadCap, kLoadCap + 1}) {
        SCOPED_TRACE(size);
        std::ofstream(std::filesystem::u8path(big_file), std::ios::binary).seekp(size - 1) << '\n';
        EXPECT_EQ(Ini(ixor_ini_file_load(big_file.c_str())) != nullptr, size == kLoadCap);
    }
    EXPECT_FALSE(Ini(ixor_ini_file_load(dir.file("missing.ini").c_str())));
    EXPECT_FALSE(Ini(ixor_ini_file_load(dir.path().c_str())));
}

TEST(IniFile, AnEmptyDocumentWithoutAPath)
{
    Ini ini(ixor_ini_file_load(nullptr));
    ASSERT_TRUE(ini);
    EXPECT_EQ(ixor_ini_file_del(ini.get(), "never there"), 0);
    EXPECT_NE(ixor_ini_file_foreach(ini.get(), nullptr, nullptr), 0);
}

// Calls without a document, a section or a key fail.
TEST(IniFile, CallsWithoutTheirArgumentsFail)
{
    Ini ini(ixor_ini_file_load(nullptr));
    EXPECT_EQ(ixor_ini_file_del(nullptr, "s"), -1);
    EXPECT_EQ(ixor_ini_file_del(ini.get(), nullptr), -1);
    EXPECT_EQ(ixor_ini_file_unset(nullptr, "s", "k"), -1);
    EXPECT_EQ(ixor_ini_file_unset(ini.get(), "s", nullptr), -1);
    EXPECT_EQ(ixor_ini_file_set(ini.get(), nullptr, "k", "v"), -1);
    EXPECT_EQ(ixor_ini_file_get(nullptr, "s", "k"), nullptr);
    EXPECT_EQ(ixor_ini_file_get_int(ini.get(), "s", nullptr, 7), 7);
}

// A save replaces the whole file and creates missing folders.
TEST(IniFile, SaveReplacesTheWholeFileAndMakesFolders)
{
    SavedOnce saved;
    EXPECT_EQ(read_file(saved.path), "[new]\nk=v\n");
    const std::string deep = saved.dir.file("caf\xC3\xA9/\xE9\x85\x8D\xE7\xBD\xAE/deep/conf.eni");
    ASSERT_EQ(ixor_ini_file_save(saved.ini.get(), deep.c_str(), 1), 0);
    EXPECT_EQ(read_file(deep), "[new]\nk=v\n");
}

// Text that would load back differently is not saved: the old file stays
// and no temporary is left.
TEST(IniFile, TextThatWouldLoadDifferentlyIsNotSaved)
{
    SavedOnce saved;
    struct Row {
        const char *section;
        const char *key;
        const char *value;
    };
    const Row rows[] = {
        {"", "k", "v"},                  // no section name
        {"a]b", "k", "v"},               // a name that ends early
        {"a\nb", "k", "v"},              // a name over two lines
        {"a\rb", "k", "v"},              // a CR, dropped before a line end
        {"s", "", "v"},                  // no key
        {"s", "a=b", "v"},               // a key that ends early
        {"s", "a\nb", "v"},              // a key over two lines
        {"s", "k\r", "v"},               // a CR, dropped before a line end
        {"s", "[evil]", "v"},            // a key that reads as a section
        {"s", ";k", "v"},                // a key that reads as a comment
        {"s", "#k", "v"},                // the other comment mark
        {"s", " k", "v"},                // keys are trimmed
        {"s", "k\t", "v"},               // at both ends
        {"s", "k", "v\n[evil]"},         // a value that adds a section
        {"s", "k", "v\r\n[evil]\nx=1"},  // and a key in it
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.section) + "/" + row.key + "/" + row.value);
        ASSERT_EQ(ixor_ini_file_set(saved.ini.get(), row.section, row.key, row.value), 0);
        EXPECT_NE(ixor_ini_file_save(saved.ini.get(), saved.path.c_str(), 1), 0);
        EXPECT_EQ(read_file(saved.path), "[new]\nk=v\n");
        ixor_ini_file_del(saved.ini.get(), row.section);
    }
    EXPECT_EQ(entries_of(saved.dir.path()), Entries{"conf.ini"});
}

// More than a load reads is not saved either.
TEST(IniFile, MoreThanALoadReadsIsNotSaved)
{
    SavedOnce saved;
    const std::string half(33 << 20, 'a');
    ixor_ini_file_set(saved.ini.get(), "s", "one", half.c_str());
    ixor_ini_file_set(saved.ini.get(), "s", "two", half.c_str());
    EXPECT_NE(ixor_ini_file_save(saved.ini.get(), saved.path.c_str(), 0), 0);
    EXPECT_EQ(read_file(saved.path), "[new]\nk=v\n");
    EXPECT_EQ(entries_of(saved.dir.path()), Entries{"conf.ini"});
}

#ifndef _WIN32
// A save that the disk cannot take whole (here a file size limit) fails and
// leaves the old file as it was.
IXOR_TEST_CHILD_MODE(save_over_limit)
{
    const rlimit limit{1024, 1024};
    std::signal(SIGXFSZ, SIG_IGN);
    if (args.size() != 1 || setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 2;
    Ini ini(ixor_ini_file_load(nullptr));
    ixor_ini_file_set(ini.get(), "s", "k", std::string(4096, 'v').c_str());
    return ixor_ini_file_save(ini.get(), args[0].c_str(), 1) != 0 ? 0 : 1;
}

TEST(IniFile, ASaveTheDiskCannotTakeLeavesTheOldFile)
{
    SavedOnce saved;
    EXPECT_EQ(Child::start("save_over_limit", {saved.path}).wait(), 0);
    EXPECT_EQ(read_file(saved.path), "[new]\nk=v\n");
    EXPECT_EQ(entries_of(saved.dir.path()), Entries{"conf.ini"});
}
#endif

// A file where a folder belongs, or a folder where the file belongs, stops
// the save and is left as it was.
TEST(IniFile, NoSaveWhereAFileOrFolderIsInTheWay)
{
    SavedOnce saved;
    const TempDir &dir = saved.dir;
    write_file(dir.file("plain-file"), "not a folder");
    EXPECT_NE(ixor_ini_file_save(saved.ini.get(), dir.file("plain-file/conf.ini").c_str(), 0), 0);
    EXPECT_EQ(read_file(dir.file("plain-file")), "not a folder");
    write_file(dir.file("occupied/inside.txt"), "kept");
    EXPECT_NE(ixor_ini_file_save(saved.ini.get(), dir.file("occupied").c_str(), 1), 0);
    EXPECT_EQ(read_file(dir.file("occupied/inside.txt")), "kept");
    EXPECT_EQ(entries_of(dir.path()), (Entries{"conf.ini", "occupied", "plain-file"}));
}

// A temporary name that another writer took meanwhile is passed over.
TEST(FileFault, SaveTakesAnotherTemporaryNameWhenOneIsTaken)
{
    IXOR_SKIP_UNLESS_PRELOADED("FILE_FAULT");
    SavedOnce saved;
    const std::string path = saved.dir.file("save-race-once.ini");
    ASSERT_EQ(ixor_ini_file_save(saved.ini.get(), path.c_str(), 1), 0);
    EXPECT_EQ(read_file(path), "[new]\nk=v\n");
}

// A save that cannot be flushed to the disk fails and keeps the old file.
TEST(FileFault, SaveThatCannotBeFlushedFails)
{
    IXOR_SKIP_UNLESS_PRELOADED("FILE_FAULT");
    SavedOnce saved;
    const ScopedEnv failing("IXOR_FAIL_FSYNC", "1");
    ixor_ini_file_set(saved.ini.get(), "new", "k", "changed");
    EXPECT_NE(ixor_ini_file_save(saved.ini.get(), saved.path.c_str(), 0), 0);
    EXPECT_EQ(read_file(saved.path), "[new]\nk=v\n");
    EXPECT_EQ(entries_of(saved.dir.path()), Entries{"conf.ini"});
}

// Only temporaries of this very file whose writer is gone are removed.
TEST(IniFile, SaveRemovesTemporariesOfDeadWritersOnly)
{
    TempDir dir;
    Ini ini(ixor_ini_file_load(nullptr));
    Entries kept{"reg.eni." + std::to_string(ixor::os::current_pid()) + ".9.tmp",
                 "other.eni.2147483646.1.tmp", "reg.eni.backup", "reg.eni.x.1.tmp", "reg.eni"};
    for (const std::string &name : kept)
        write_file(dir.file("t/" + name), "[half");
    write_file(dir.file("t/reg.eni.2147483646.7.tmp"), "[half");
    ASSERT_EQ(ixor_ini_file_save(ini.get(), dir.file("t/reg.eni").c_str(), 1), 0);
    EXPECT_EQ(entries_of(dir.file("t")), kept);
}

}  // namespace
