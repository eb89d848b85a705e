// Processes on one registration file, measured by the serial replay of the
// same calls (the same calls made one after another in an agent root of
// their own): a writer killed at random moments, and owners changing their
// own products at once. IXOR_RELIABILITY_SCALE=N runs N tenths of the full
// counts; unset or invalid means 1, the size for CI, under wine too.
#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "agent_root.h"
#include "ixor_ipc.h"

namespace {

using namespace ixor_test;
using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;

// Call v on a product: every fifth withdraws it, the others register values
// that name the call in every key.
int run(const std::string &code, long long v)
{
    const std::string n = std::to_string(v);
    const std::string priority = std::to_string(v % 100 + 1);
    return v % 5 == 0
               ? ixor_remove_product_config(code.c_str())
               : ixor_change_ipcproxy_addrport(code.c_str(), priority.c_str(), ("h" + n).c_str(),
                                               std::to_string(v % 65534 + 1).c_str(), n.c_str());
}

// The same calls made one after another in an agent root of their own.
// Made before the test's own root, which then stays the current one.
class Replay {
public:
    int run(const std::string &code, long long v) const
    {
        const ScopedEnv here("IXOR_ROOT_DIR", root_.root().c_str());
        return ::run(code, v);
    }
    // Registers the products in both roots and makes the first call.
    void start(const AgentRoot &agent, const std::vector<std::string> &codes, long long first)
    {
        for (const std::string &code : codes) {
            agent.register_product(code);
            const ScopedEnv here("IXOR_ROOT_DIR", root_.root().c_str());
            root_.register_product(code);
        }
        EXPECT_EQ(::run(codes[0], first), 0);
        EXPECT_EQ(run(codes[0], first), 0);
    }
    std::string file() const { return root_.registrations(); }

private:
    AgentRoot root_;
};

// Every section's registration keys by section name.
std::map<std::string, std::string> registrations(const std::string &path)
{
    std::map<std::string, std::string> all;
    for (const std::string &name : sections_in(path))
        for (const char *key : {"priority", "addr", "port", "uid"})
            all[name] += std::string(key) + "=" + ini_value(path, name.c_str(), key) + "\n";
    return all;
}

int scaled(int full)
{
    const char *text = std::getenv("IXOR_RELIABILITY_SCALE");
    long scale = text ? std::strtol(text, nullptr, 10) : 1;
    scale = scale < 1 || scale > 1000 ? 1 : scale;
    return static_cast<int>(std::max<long>(full * scale / 10, 1));
}

// Fixed width, rewritten in place, so a kill never leaves half a number.
std::string marker_text(long long v)
{
    const std::string digits = std::to_string(v);
    return std::string(20 - digits.size(), '0') + digits;
}

long long read_marker(const std::string &path) { return std::stoll(read_file(path)); }

// writer START MARKER: P's calls START, START+1, ... until killed, writing
// each call's number to MARKER before it starts the call.
IXOR_TEST_CHILD_MODE(writer)
{
    std::FILE *marker = std::fopen(args.at(1).c_str(), "r+b");
    for (long long v = std::stoll(args.at(0)); marker != nullptr; v++) {
        const std::string text = marker_text(v);
        if (std::fseek(marker, 0, SEEK_SET) != 0 ||
            std::fwrite(text.data(), 1, text.size(), marker) != text.size() ||
            std::fflush(marker) != 0 || run("P", v) != 0) {
            return 2;
        }
    }
    return 2;
}

// Starts a writer at call `from`, kills it `delay` after it began that
// call, and returns the call it was in.
long long kill_writer(long long from, const std::string &marker, Micros delay)
{
    write_file(marker, marker_text(from - 1));
    Child writer = Child::start("writer", {std::to_string(from), marker});
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (read_marker(marker) < from && writer.running() && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    EXPECT_TRUE(writer.running()) << "the writer stopped on its own";
    std::this_thread::sleep_for(delay);
    writer.kill();
    return read_marker(marker);
}

// Every lock a killed writer may have held is free at once.
void expect_locks_free(const AgentRoot &agent)
{
    for (const std::string &file :
         {agent.registrations(), agent.proxy_conf(), agent.home() + "/config/product_register.eni",
          agent.process_record()})
        EXPECT_TRUE(lock_free(file + ".lock")) << file;
}

// The replay's file after the calls the writer finished before `started`,
// and after `started` too, where the replay then stands.
std::pair<std::string, std::string> old_and_new(const Replay &replay, long long committed,
                                                long long started)
{
    for (long long v = committed + 1; v < started; v++) {
        EXPECT_EQ(replay.run("P", v), 0);
    }
    const std::string before = read_file(replay.file());
    EXPECT_EQ(replay.run("P", started), 0);
    return {before, read_file(replay.file())};
}

TEST(CrashSafety, KilledWriterLeavesOldOrNewStateAndFreeLocks)
{
    Replay replay;
    AgentRoot agent;
    TempDir scratch;
    // B (priority 50) outranks P half of the time, so P's calls both do and
    // do not reach the proxy configuration.
    replay.start(agent, {"B", "P"}, 49);
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> calls(0, 2);
    Micros call_time(1000);  // what the replay's last call took
    long long committed = 0;
    int left_new = 0;
    const int kills = scaled(1000);
    for (int kill = 0; kill < kills; kill++) {
        const long long started =
            kill_writer(committed + 1, scratch.file("marker"), calls(random) * call_time);
        ASSERT_GT(started, committed);
        expect_locks_free(agent);
        const auto replayed = Clock::now();
        const auto [before, after] = old_and_new(replay, committed, started);
        call_time = (Clock::now() - replayed) / static_cast<double>(started - committed);
        const std::string text = read_file(agent.registrations());
        ASSERT_TRUE(text == before || text == after)
            << "kill " << kill << " in call " << started << " left neither state:\n"
            << text;
        committed = text == after ? started : started - 1;
        left_new += text == after;
        write_file(replay.file(), text);
    }
    std::printf("%d kills, %d of them after the killed call\n", kills, left_new);
    // The survivor goes on from the state the last kill left, and its save
    // clears what the killed writers left of their temporary files.
    EXPECT_EQ(run("P", committed + 1), 0);
    EXPECT_EQ(replay.run("P", committed + 1), 0);
    EXPECT_EQ(read_file(agent.registrations()), read_file(replay.file()));
    for (const auto &entry : std::filesystem::directory_iterator(agent.ipc(""))) {
        EXPECT_THAT(entry.path().filename().string(),
                    testing::Not(testing::MatchesRegex("ixor_ipcproxy_pre\\.eni\\..*\\.tmp")));
    }
}

// Owner i's product for its call k: one of its two.
std::string owned(int i, int k) { return "L" + std::to_string(i) + (k % 2 ? "a" : "b"); }

// owner I CALLS: makes its calls; exit status 0, or 1 when one failed.
IXOR_TEST_CHILD_MODE(owner)
{
    for (int k = 1; k <= std::stoi(args.at(1)); k++) {
        if (run(owned(std::stoi(args.at(0)), k), k) != 0) {
            return 1;
        }
    }
    return 0;
}

TEST(LostUpdates, OwnersEndAsTheirSerialReplay)
{
    // Fewer owners where every one is a costly process start.
    const int owners = process_starts_are_costly() ? 4 : 8;
    const int calls = scaled(1000);
    Replay replay;
    AgentRoot agent;
    std::vector<std::string> codes{"W"};
    for (int i = 0; i < owners * 2; i++)
        codes.push_back(owned(i / 2, i % 2));
    // W (priority 100) is first and as high as any owner, so the proxy stays
    // configured for W whatever the owners do.
    replay.start(agent, codes, 99);
    std::vector<Child> running;
    for (int i = 0; i < owners; i++)
        running.push_back(Child::start("owner", {std::to_string(i), std::to_string(calls)}));
    for (int i = 0; i < owners; i++) {
        EXPECT_EQ(running[i].wait(), 0) << "owner " << i;
        for (int k = 1; k <= calls; k++)
            ASSERT_EQ(replay.run(owned(i, k), k), 0);
    }
    // Sections of different owners interleave in any order; their set and
    // every registration must match, and W keeps its place in front.
    EXPECT_EQ(registrations(agent.registrations()), registrations(replay.file()));
    EXPECT_EQ(sections_in(agent.registrations()).at(0), "W");
}

}  // namespace
