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
#include <optional>
#include <random>
#include <thread>

#include "agent_root.h"
#include "ixor_ipc.h"
#include "ixorbase_handles.h"
#include "os.h"

namespace ixor_test {

// A change, or with `remove` the removal of the code, in the current root.
struct Call {
    std::string code;
    std::string priority;
    std::string addr;
    std::string port;
    std::optional<std::string> uid;  // nullopt: passed as null
    bool remove = false;

    int run() const
    {
        return remove ? ixor_remove_product_config(code.c_str())
                      : ixor_change_ipcproxy_addrport(code.c_str(), priority.c_str(), addr.c_str(),
                                                      port.c_str(), uid ? uid->c_str() : nullptr);
    }
};

// Made before the test's own agent root, which then stays the current one;
// the replay switches to its root for each of its calls.
class Replay {
public:
    void register_product(const std::string &code) const
    {
        const ScopedEnv here("IXOR_ROOT_DIR", root_.root().c_str());
        root_.register_product(code);
    }
    int run(const Call &call) const
    {
        const ScopedEnv here("IXOR_ROOT_DIR", root_.root().c_str());
        return call.run();
    }
    std::string file() const { return root_.registrations(); }

private:
    AgentRoot root_;
};

// Every section's registration keys, "<absent>" for a missing one, by
// section name; empty when the file does not load.
std::map<std::string, std::string> registrations(const std::string &path)
{
    std::map<std::string, std::string> all;
    const ixorbase::IniPtr ini(ixor_ini_file_load(path.c_str()));
    for (const std::string &name : sections_in(path)) {
        for (const char *key : {"priority", "addr", "port", "uid"}) {
            const char *value = ixor_ini_file_get(ini.get(), name.c_str(), key);
            all[name] += std::string(key) + "=" + (value ? value : "<absent>") + "\n";
        }
    }
    return all;
}

}  // namespace ixor_test

namespace {

using ixor_test::Call;
using ixor_test::read_file;
using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;

int scaled(int full)
{
    const char *text = std::getenv("IXOR_RELIABILITY_SCALE");
    long scale = text ? std::strtol(text, nullptr, 10) : 1;
    scale = scale < 1 || scale > 1000 ? 1 : scale;
    return static_cast<int>(std::max<long>(full * scale / 10, 1));
}

// Call v on a product: every fifth withdraws it, the others register values
// that name the call in every key.
Call call(const std::string &code, long long v)
{
    return Call{code,
                std::to_string(v % 100 + 1),
                "h" + std::to_string(v),
                std::to_string(v % 65534 + 1),
                std::to_string(v),
                v % 5 == 0};
}

// The same start in both roots: the products registered with the agent,
// and a first call.
void start_both(const ixor_test::AgentRoot &agent, const ixor_test::Replay &replay,
                const std::vector<std::string> &codes, const Call &first)
{
    for (const std::string &code : codes) {
        agent.register_product(code);
        replay.register_product(code);
    }
    EXPECT_EQ(first.run(), 0);
    EXPECT_EQ(replay.run(first), 0);
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
            std::fflush(marker) != 0 || call("P", v).run() != 0) {
            return 2;
        }
    }
    return 2;
}

// Starts a writer at call `from`, kills it `delay` after it began that
// call, and returns the call it was in.
long long kill_writer(long long from, const std::string &marker, Micros delay)
{
    ixor_test::write_file(marker, marker_text(from - 1));
    ixor_test::Child writer = ixor_test::Child::start("writer", {std::to_string(from), marker});
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
void expect_locks_free(const ixor_test::AgentRoot &agent)
{
    for (const std::string &file :
         {agent.registrations(), agent.proxy_conf(), agent.home() + "/config/product_register.eni",
          agent.process_record()}) {
        const ixor::os::LockHandle lock = ixor::os::open_lock_file(file + ".lock");
        EXPECT_TRUE(ixor::os::try_lock(lock)) << file;
        ixor::os::unlock(lock);
        ixor::os::close_lock_file(lock);
    }
}

// The replay's file after the calls the writer finished before `started`,
// and after `started` too, where the replay then stands.
std::pair<std::string, std::string> old_and_new(const ixor_test::Replay &replay,
                                                long long committed, long long started)
{
    for (long long v = committed + 1; v < started; v++) {
        EXPECT_EQ(replay.run(call("P", v)), 0);
    }
    const std::string before = read_file(replay.file());
    EXPECT_EQ(replay.run(call("P", started)), 0);
    return {before, read_file(replay.file())};
}

TEST(CrashSafety, KilledWriterLeavesOldOrNewStateAndFreeLocks)
{
    ixor_test::Replay replay;
    ixor_test::AgentRoot agent;
    ixor_test::TempDir scratch;
    // B outranks P half of the time, so P's calls both do and do not reach
    // the proxy configuration.
    start_both(agent, replay, {"B", "P"}, Call{"B", "50", "127.0.0.1", "9", "7"});
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
        ixor_test::write_file(replay.file(), text);
    }
    std::printf("%d kills, %d of them after the killed call\n", kills, left_new);
    // The survivor goes on from the state the last kill left, and its save
    // clears what the killed writers left of their temporary files.
    EXPECT_EQ(call("P", committed + 1).run(), 0);
    EXPECT_EQ(replay.run(call("P", committed + 1)), 0);
    EXPECT_EQ(read_file(agent.registrations()), read_file(replay.file()));
    for (const auto &entry : std::filesystem::directory_iterator(agent.ipc(""))) {
        EXPECT_THAT(entry.path().filename().string(),
                    testing::Not(testing::MatchesRegex("ixor_ipcproxy_pre\\.eni\\..*\\.tmp")));
    }
}

// Call k of owner i, on one of its two products.
Call owner_call(int i, int k) { return call("L" + std::to_string(i) + (k % 2 ? "a" : "b"), k); }

// owner I CALLS: makes its calls; exit status 0, or 1 when one failed.
IXOR_TEST_CHILD_MODE(owner)
{
    for (int k = 1; k <= std::stoi(args.at(1)); k++) {
        if (owner_call(std::stoi(args.at(0)), k).run() != 0) {
            return 1;
        }
    }
    return 0;
}

TEST(LostUpdates, OwnersEndAsTheirSerialReplay)
{
    // Fewer owners where every one is a costly process start.
    const int owners = ixor_test::process_starts_are_costly() ? 4 : 8;
    const int calls = scaled(1000);
    ixor_test::Replay replay;
    ixor_test::AgentRoot agent;
    std::vector<std::string> codes{"W"};
    for (int i = 0; i < owners * 2; i++) {
        codes.push_back(owner_call(i / 2, i % 2 + 1).code);
    }
    // W is first and as high as any owner, so the proxy stays configured
    // for W whatever the owners do.
    start_both(agent, replay, codes, Call{"W", "100", "127.0.0.1", "9", "1"});
    std::vector<ixor_test::Child> running;
    for (int i = 0; i < owners; i++) {
        running.push_back(
            ixor_test::Child::start("owner", {std::to_string(i), std::to_string(calls)}));
    }
    for (int i = 0; i < owners; i++) {
        EXPECT_EQ(running[i].wait(), 0) << "owner " << i;
    }
    for (int i = 0; i < owners; i++) {
        for (int k = 1; k <= calls; k++) {
            ASSERT_EQ(replay.run(owner_call(i, k)), 0);
        }
    }
    // Sections of different owners interleave in any order; their set and
    // every registration must match, and W keeps its place in front.
    EXPECT_EQ(ixor_test::registrations(agent.registrations()),
              ixor_test::registrations(replay.file()));
    EXPECT_EQ(ixor_test::sections_in(agent.registrations()).at(0), "W");
}

}  // namespace
