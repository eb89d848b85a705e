// The base library: INI documents and files, lock files, log, text splitting.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "agent_root.h"
#include "ixorbase_handles.h"

using namespace ixor_test;
using namespace std::string_literals;
using ixorbase::FileLock;  // "<file>.lock", held for the object's lifetime
using Clock = std::chrono::steady_clock;
using Ini = ixorbase::IniPtr;
using Entries = std::set<std::string>;
using Pieces = std::vector<std::string>;

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

// Keys trimmed, values verbatim; line-end CRs, comments, malformed lines dropped;
// a repeated section gathers its keys, the later value wins; saves replace whole files.
// Exact names; empty is "" and absent null; numbers as strtol, clamped to 32 bits.
// File order, which breaks ties between registrations, survives deletes (which drop
// out), appends (which go last) and changes; legal odd text comes back exactly. A
// value read stays valid whatever else changes.
TEST(IniText, PlainFormLookupsChangesAndFileOrder)
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
    std::string text = "[ spaced ]\nk=v\n[s]\nempty=\n[n]\nplain=42\nblank= -7\nplus=+5x\n"
                       "word=abc\nnone=\nbig=99999999999\nsmall=-99999999999\n";
    Pieces kept{" spaced ", "s", "n"};
    for (int i = 0; i < 1000; ++i) {
        text += "[p" + std::to_string(i) + "]\npriority=" + std::to_string(i) + "\n";
        if (i % 2)
            kept.push_back("p" + std::to_string(i));
    }
    Ini ini = parsed(dir, text);
    const char *value = ixor_ini_file_get(ini.get(), " spaced ", "k");
    EXPECT_STREQ(value, "v");
    EXPECT_STREQ(ixor_ini_file_get(ini.get(), "s", "empty"), "");
    for (const char *section : {"spaced", "missing", static_cast<const char *>(nullptr)})
        EXPECT_EQ(ixor_ini_file_get(ini.get(), section, "k"), nullptr);
    EXPECT_EQ(ixor_ini_file_get(ini.get(), "s", "missing"), nullptr);
    EXPECT_EQ(ixor_ini_file_get(ini.get(), "s", nullptr), nullptr);
    const std::pair<const char *, int> numbers[] = {
        {"plain", 42}, {"blank", -7},    {"plus", 5},        {"word", 0},
        {"none", 0},   {"big", INT_MAX}, {"small", INT_MIN}, {"absent", 99}};
    for (const auto &[key, expected] : numbers)
        EXPECT_EQ(ixor_ini_file_get_int(ini.get(), "n", key, 99), expected) << key;
    EXPECT_EQ(ixor_ini_file_get_int(ini.get(), "absent", "plain", -3), -3);
    EXPECT_EQ(ixor_ini_file_set_int(ini.get(), "s", "n", INT_MIN), 0);
    EXPECT_EQ(ixor_ini_file_set(ini.get(), "s", "t", "text"), 0);
    EXPECT_STREQ(ixor_ini_file_get(ini.get(), "s", "n"), "-2147483648");
    EXPECT_EQ(ixor_ini_file_unset(ini.get(), "s", "n"), 0);
    EXPECT_EQ(ixor_ini_file_unset(ini.get(), "s", "n"), 0) << "already absent";
    EXPECT_EQ(ixor_ini_file_get(ini.get(), "s", "n"), nullptr);
    EXPECT_STREQ(ixor_ini_file_get(ini.get(), "s", "t"), "text");
    for (int i = 0; i < 1000; i += 2)
        EXPECT_EQ(ixor_ini_file_del(ini.get(), ("p" + std::to_string(i)).c_str()), 0);
    EXPECT_EQ(ixor_ini_file_del(ini.get(), "never there"), 0);
    EXPECT_NE(ixor_ini_file_del(ini.get(), nullptr), 0);
    ixor_ini_file_set(ini.get(), "p1", "k", "changed");
    const char *const legal = "  \xC3\xA9 a=b ; # [x]  ";
    ASSERT_EQ(ixor_ini_file_set(ini.get(), "[odd section", "k[x];#", legal), 0);
    ixor_ini_file_set(ini.get(), "empty section", "gone", "x");
    ixor_ini_file_unset(ini.get(), "empty section", "gone");
    EXPECT_NE(saved(dir, ini.get()), "<failed>");
    kept.insert(kept.end(), {"[odd section", "empty section"});
    EXPECT_EQ(sections_in(dir.file("out.ini")), kept);
    EXPECT_EQ(ini_value(dir.file("out.ini"), "[odd section", "k[x];#"), legal);
    for (int i = 0; i < 2000; ++i) {
        ixor_ini_file_set(ini.get(), std::to_string(i).c_str(), "k", "v");
        ixor_ini_file_set(ini.get(), " spaced ", std::to_string(i).c_str(), "other");
    }
    ixor_ini_file_del(ini.get(), "7");
    ixor_ini_file_unset(ini.get(), " spaced ", "8");
    EXPECT_EQ(value, ixor_ini_file_get(ini.get(), " spaced ", "k"));
    EXPECT_STREQ(value, "v");
    EXPECT_EQ(
        ixor_ini_file_foreach(nullptr, nullptr, [](ixor_ini *, const char *, void *) { return 0; }),
        -1);
    EXPECT_EQ(ixor_ini_file_foreach(ini.get(), nullptr, nullptr), -1);
    ixor_ini_file_free(nullptr);
}

// Loads up to 64 MiB. A save replaces the whole file, creates folders, removes
// only temporaries of this file whose writer is gone; a failed one (text that would
// load back differently, too large, no folder) keeps the old and leaves none.
TEST(IniFile, LoadCapAndSaveReplacesTheWholeFileOrKeepsWhatWasThere)
{
    TempDir dir;
    const std::string big_file = dir.file("big.ini");
    for (const long long size : {64ll << 20, (64ll << 20) + 1}) {
        std::ofstream(std::filesystem::u8path(big_file), std::ios::binary).seekp(size - 1) << '\n';
        EXPECT_EQ(Ini(ixor_ini_file_load(big_file.c_str())) != nullptr, size == 64ll << 20);
    }
    EXPECT_FALSE(Ini(ixor_ini_file_load(dir.file("missing.ini").c_str())));
    EXPECT_FALSE(Ini(ixor_ini_file_load(dir.path().c_str())));
    Ini ini(ixor_ini_file_load(nullptr));
    ixor_ini_file_set(ini.get(), "new", "k", "v");
    const std::string path = dir.file("conf.ini");
    write_file(path, "[old]\n" + std::string(10000, 'x') + "=1\n");
    ASSERT_EQ(ixor_ini_file_save(ini.get(), path.c_str(), 1), 0);
    EXPECT_EQ(read_file(path), "[new]\nk=v\n");
    const std::string deep = dir.file("caf\xC3\xA9/\xE9\x85\x8D\xE7\xBD\xAE/deep/conf.eni");
    ASSERT_EQ(ixor_ini_file_save(ini.get(), deep.c_str(), 1), 0);
    const char *const hostile[][3] = {
        {"", "k", "v"},     {"a]b", "k", "v"},       {"a\nb", "k", "v"},
        {"a\rb", "k", "v"}, {"s", "", "v"},          {"s", "a=b", "v"},
        {"s", "a\nb", "v"}, {"s", "k\r", "v"},       {"s", "[evil]", "v"},
        {"s", ";k", "v"},   {"s", "#k", "v"},        {"s", " k", "v"},
        {"s", "k\t", "v"},  {"s", "k", "v\n[evil]"}, {"s", "k", "v\r\n[evil]\nx=1"}};
    for (const auto &[section, key, value] : hostile) {
        ASSERT_EQ(ixor_ini_file_set(ini.get(), section, key, value), 0);
        EXPECT_NE(ixor_ini_file_save(ini.get(), path.c_str(), 1), 0) << section << key;
        EXPECT_EQ(read_file(path), "[new]\nk=v\n");
        ixor_ini_file_del(ini.get(), section);
    }
    const std::string big(33 << 20, 'a');
    ixor_ini_file_set(ini.get(), "s", "one", big.c_str());
    ixor_ini_file_set(ini.get(), "s", "two", big.c_str());
    EXPECT_NE(ixor_ini_file_save(ini.get(), path.c_str(), 0), 0);
    EXPECT_EQ(read_file(path), "[new]\nk=v\n");
    ixor_ini_file_unset(ini.get(), "s", "one");
    write_file(dir.file("plain-file"), "not a folder");
    EXPECT_NE(ixor_ini_file_save(ini.get(), dir.file("plain-file/conf.ini").c_str(), 0), 0);
    EXPECT_EQ(read_file(dir.file("plain-file")), "not a folder");
    write_file(dir.file("occupied/inside.txt"), "kept");
    EXPECT_NE(ixor_ini_file_save(ini.get(), dir.file("occupied").c_str(), 1), 0);
    EXPECT_EQ(read_file(dir.file("occupied/inside.txt")), "kept");
    EXPECT_EQ(entries_of(dir.path()),
              (Entries{"big.ini", "caf\xC3\xA9", "conf.ini", "occupied", "plain-file"}));
    Entries kept{"reg.eni." + std::to_string(ixor::os::current_pid()) + ".9.tmp",
                 "other.eni.2147483646.1.tmp", "reg.eni.backup", "reg.eni.x.1.tmp", "reg.eni"};
    for (const std::string &name : kept)
        write_file(dir.file("t/" + name), "[half");
    write_file(dir.file("t/reg.eni.2147483646.7.tmp"), "[half");
    ASSERT_EQ(ixor_ini_file_save(ini.get(), dir.file("t/reg.eni").c_str(), 1), 0);
    EXPECT_EQ(entries_of(dir.file("t")), kept);
}

double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool wait_for_file(const std::string &path)
{
    const auto start = Clock::now();
    while (!file_exists(path) && seconds_since(start) < 30)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return file_exists(path);
}

IXOR_TEST_CHILD_MODE(hold_lock)
{
    const FileLock lock(args.at(0));
    if (!lock.held())
        return 2;
    write_file(args.at(1), "held");
    return wait_for_file(args.at(2)) ? 0 : 3;
}

// Release, and destroy without release, let go; a file or folder path is refused.
TEST(Flock, InitReleaseDestroyAndWhatIsNoFile)
{
    TempDir dir;
    const std::string path = dir.file("a/b/conf.ini.lock");
    ixor_flock *lock = nullptr;
    ASSERT_EQ(ixor_flock_init(path.c_str(), &lock), 0);
    EXPECT_EQ(ixor_flock_acquire(lock), 0);
    ixor_flock_release(lock);
    EXPECT_TRUE(FileLock(dir.file("a/b/conf.ini")).held()) << "free once released";
    ixor_flock_destroy(lock);
    ASSERT_EQ(ixor_flock_init(path.c_str(), &lock), 0);
    ASSERT_EQ(ixor_flock_acquire(lock), 0);
    ixor_flock_destroy(lock);
    EXPECT_TRUE(FileLock(dir.file("a/b/conf.ini")).held()) << "free once destroyed";
    write_file(dir.file("file"), "");
    write_file(dir.file("folder.lock/inside"), "");
    EXPECT_FALSE(FileLock(dir.file("file/x")).held());
    EXPECT_FALSE(FileLock(dir.file("folder")).held());
}

// Once a holder lets go or is killed the waiter gets the lock at once, else
// gives up after ten seconds.
class FlockHolder : public testing::TestWithParam<std::string> {};

TEST_P(FlockHolder, MakesOthersWaitUntilReleasedOrKilled)
{
    TempDir dir;
    const std::string file = dir.file("x");
    std::optional<FileLock> handle;
    std::optional<Child> child;
    if (GetParam() == "handle" || GetParam() == "never")
        handle.emplace(file);
    else
        child.emplace(Child::start("hold_lock", {file, dir.file("held"), dir.file("go")}));
    ASSERT_TRUE(handle || wait_for_file(dir.file("held")));
    const auto start = Clock::now();
    auto waiting = std::async(std::launch::async, [&file] { return FileLock(file).held(); });
    EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    if (GetParam() == "never") {
        EXPECT_FALSE(waiting.get());
        EXPECT_GE(seconds_since(start), 9.9);
        EXPECT_LT(seconds_since(start), 12.0);
        return;
    }
    const auto let_go = Clock::now();
    if (handle)
        handle.reset();
    else if (GetParam() == "process")
        write_file(dir.file("go"), "");
    else
        child->kill();
    EXPECT_TRUE(waiting.get());
    EXPECT_LT(seconds_since(let_go), 1.0);
    EXPECT_EQ(GetParam() == "process" ? child->wait() : 0, 0);
}

INSTANTIATE_TEST_SUITE_P(Holders, FlockHolder,
                         testing::Values("handle", "process", "killed", "never"));

constexpr size_t rotate_size = 1 << 20;
constexpr int keep_many = 20;

std::string make_line(const std::string &writer, int n)
{
    const size_t body = 100 + static_cast<size_t>(n * 397 % 6000);
    return writer + " " + std::to_string(n) + " " +
           std::string(body, static_cast<char>('a' + n % 26)) + " end";
}

void write_lines(const std::string &writer, int count)
{
    for (int n = 0; n < count; ++n)
        ixor_log_output(2, "%s\n", make_line(writer, n).c_str());
}

IXOR_TEST_CHILD_MODE(log_lines)
{
    if (ixor_autolog_init(args.at(0).c_str(), keep_many) != 0)
        return 2;
    write_lines(args.at(1), std::stoi(args.at(2)));
    return 0;
}

// A folder where the log belongs: no log, no line. Rotation keeps at most "keep" full
// files; lines of threads and processes stay whole, once, in order. Level/folder: env.
TEST(Log, InitRotationLinesAndEnvironment)
{
    TempDir dir;
    ASSERT_EQ(ixor_autolog_init((dir.path() + "//a//b/").c_str(), 5), 0);
    EXPECT_EQ(ixor_log_output(0, "[%s] %d\n", "x", 1), 0);
    EXPECT_EQ(read_file(dir.file("a/b/ixor.log")), "[x] 1\n");
    std::filesystem::remove(std::filesystem::u8path(dir.file("a/b/ixor.log")));
    std::filesystem::create_directory(std::filesystem::u8path(dir.file("a/b/ixor.log")));
    EXPECT_EQ(ixor_log_output(2, "lost\n"), -1);
    EXPECT_EQ(ixor_autolog_init(dir.file("a/b").c_str(), 5), -1);
    ASSERT_EQ(ixor_autolog_init(dir.file("three").c_str(), 2), 0);
    const std::string chunk(10000, 'z');
    for (int n = 0; n < 500; ++n)
        ixor_log_output(2, "%d %s\n", n, chunk.c_str());
    EXPECT_TRUE(file_exists(dir.file("three/ixor.log.2")));
    EXPECT_FALSE(file_exists(dir.file("three/ixor.log.3")));
    const std::string current = read_file(dir.file("three/ixor.log"));
    EXPECT_LT(current.size(), rotate_size);
    EXPECT_NE(current.find("499 " + chunk + "\n"), std::string::npos);
    const std::string many = dir.file("many");
    ASSERT_EQ(ixor_autolog_init(many.c_str(), keep_many), 0);
    std::vector<Child> children;
    for (int p = 0; p < 3; ++p)
        children.push_back(Child::start("log_lines", {many, "process" + std::to_string(p), "200"}));
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t)
        threads.emplace_back(write_lines, "thread" + std::to_string(t), 200);
    for (std::thread &t : threads)
        t.join();
    for (Child &child : children)
        EXPECT_EQ(child.wait(), 0);
    std::string text;
    for (int n = keep_many; n >= 1; --n) {
        const std::string rotated = read_file(many + "/ixor.log." + std::to_string(n));
        EXPECT_TRUE(rotated.empty() || rotated.size() >= rotate_size) << n;
        text += rotated;
    }
    EXPECT_TRUE(file_exists(many + "/ixor.log.2"));
    std::istringstream in(text + read_file(many + "/ixor.log"));
    std::map<std::string, int> next;
    for (std::string line; std::getline(in, line);) {
        const std::string writer = line.substr(0, line.find(' '));
        ASSERT_EQ(line, make_line(writer, next[writer]++));
    }
    EXPECT_EQ(next.size(), 9u);
    for (const auto &[writer, count] : next)
        EXPECT_EQ(count, 200) << writer;
    const std::pair<const char *, int> levels[] = {{nullptr, 2}, {"0", 0},  {"3", 3}, {"4", 2},
                                                   {"-1", 2},    {"1x", 2}, {"", 2}};
    for (const auto &[text, expected] : levels) {
        ScopedEnv env("IXOR_LOG_LEVEL", text);
        EXPECT_EQ(ixor_log_level_get(), expected) << (text ? text : "unset");
    }
    char buf[260];
    ScopedEnv unset("IXOR_LOG_DIR", nullptr);
    EXPECT_EQ(ixor_log_dir(buf, sizeof buf), nullptr);
    ScopedEnv env("IXOR_LOG_DIR", "/var/log/shared");
    EXPECT_EQ(ixor_log_dir(buf, sizeof buf), buf);
    EXPECT_STREQ(buf, "/var/log/shared");
    EXPECT_EQ(ixor_log_dir(buf, 15), nullptr) << "no room for the terminator";
}

Pieces split(const char *text, const char *sep)
{
    int count = -1;
    char **pieces = ixor_str_split(text, sep, &count);
    if (!pieces)
        return {"<null>", std::to_string(count)};
    EXPECT_EQ(pieces[count], nullptr);
    return Pieces(pieces, pieces + count);
}

// Every separator cuts, so empty pieces stay, and nothing is trimmed.
TEST(StrSplit, EverySeparatorCutsAndNothingIsTrimmed)
{
    const std::tuple<const char *, const char *, Pieces> cases[] = {
        {"a;b;c", ";", {"a", "b", "c"}},
        {"a;;b", ";", {"a", "", "b"}},
        {"a;", ";", {"a", ""}},
        {";a", ";", {"", "a"}},
        {" a ; b ", ";", {" a ", " b "}},
        {"10.0.0.1", ";", {"10.0.0.1"}},
        {"a::b:c::", "::", {"a", "b:c", ""}},
        {"abc", "", {"abc"}},
        {"", ";", {}},
        {nullptr, ";", {"<null>", "0"}},
        {"a;b", nullptr, {"<null>", "0"}}};
    for (const auto &[text, sep, pieces] : cases)
        EXPECT_EQ(split(text, sep), pieces) << (text ? text : "null");
}

}  // namespace
