// Processes on one registration file: a writer killed at random moments,
// and eight owners changing their own products at once.
// IXOR_RELIABILITY_SCALE=N runs N tenths of the full counts; unset or
// invalid means 1, which keeps a CI run near a minute.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

#include "agent_root.h"
#include "ixor_ipc.h"
#include "registration_model.h"

namespace {

using ixor_test::Change;
using Clock = std::chrono::steady_clock;

int scaled(int full)
{
    const char *text = std::getenv("IXOR_RELIABILITY_SCALE");
    long scale = text ? std::strtol(text, nullptr, 10) : 1;
    scale = scale < 1 || scale > 1000 ? 1 : scale;
    return static_cast<int>(std::max<long>(full * scale / 10, 1));
}

// One call of a writing process: a change, or the removal of its code.
struct Call {
    bool remove;
    Change change;

    int run() const
    {
        return remove ? ixor_remove_product_config(change.code.c_str()) : change.call();
    }
    // The registration file the call turns `before` into.
    std::string after(const std::string &before, const std::string &scratch) const
    {
        return (remove ? ixor_test::expected_after_remove(before, change.code, scratch)
                       : ixor_test::expected_after_change(before, change, true, scratch))
            .value();
    }
};

// Step v of the killed writer: every fifth withdraws P, the others register
// values that name the step in every key.
Call step(long long v)
{
    return Call{v % 5 == 0, Change{"P", std::to_string(v % 100 + 1), "h" + std::to_string(v),
                                   std::to_string(v % 65534 + 1), std::to_string(v)}};
}

// A fixed-width marker rewritten in place, so a kill never leaves half a number.
std::string marker_text(long long v)
{
    char text[24];
    std::snprintf(text, sizeof text, "%020lld\n", v);
    return text;
}

long long read_marker(const std::string &path) { return std::stoll(ixor_test::read_file(path)); }

// writer START MARKER: steps START, START+1, ... until killed, writing each
// step's number to MARKER before it starts the call.
IXOR_TEST_CHILD_MODE(writer)
{
    int fd = open(args.at(1).c_str(), O_WRONLY);
    for (long long v = std::stoll(args.at(0)); fd >= 0; v++) {
        const std::string text = marker_text(v);
        if (pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) {
            return 2;
        }
        if (step(v).run() != 0) {
            return 3;
        }
    }
    return 2;
}

// Milliseconds to take every lock a killed writer may have held.
double lock_pass_ms(const ixor_test::AgentRoot &agent)
{
    auto start = Clock::now();
    for (const std::string &path :
         {agent.registrations() + ".lock", agent.proxy_conf() + ".lock",
          agent.home() + "/config/product_register.eni.lock", agent.process_record() + ".lock"}) {
        ixor_flock *lock = nullptr;
        EXPECT_EQ(ixor_flock_init(path.c_str(), &lock), 0) << path;
        EXPECT_EQ(ixor_flock_acquire(lock), 0) << path;
        ixor_flock_release(lock);
        ixor_flock_destroy(lock);
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The proxy configuration, when written, is one whole file of P's or B's.
void expect_whole_proxy_conf(const ixor_test::AgentRoot &agent)
{
    if (!ixor_test::file_exists(agent.proxy_conf())) {
        return;
    }
    EXPECT_EQ(ixor_test::section_names(agent.proxy_conf()), std::vector<std::string>{"config"});
    std::string addr = ixor_test::ini_value(agent.proxy_conf(), "config", "addr");
    EXPECT_TRUE(addr == "127.0.0.1" || addr.rfind('h', 0) == 0) << addr;
}

TEST(CrashSafety, KilledWriterLeavesOldOrNewStateAndFreeLocks)
{
    ixor_test::AgentRoot agent;
    ixor_test::TempDir scratch;
    agent.register_product("B");
    agent.register_product("P");
    // B outranks P half of the time, so P's steps both do and do not reach
    // the proxy configuration.
    ASSERT_EQ((Change{"B", "50", "127.0.0.1", "9", "7"}.call()), 0);
    const std::string base = ixor_test::read_file(agent.registrations());
    auto text_of = [&](long long v) { return step(v).after(base, scratch.file("m")); };

    long long committed = 0;
    const int kills = scaled(1000);
    const std::string marker = scratch.file("marker");
    std::mt19937_64 random(20240611);
    // Kill moments spread over the first few steps of each writer.
    std::uniform_int_distribution<long long> delay_us(0, 3000);
    int left_old = 0;
    int left_new = 0;
    double worst_lock_ms = 0;
    for (int kill = 0; kill < kills; kill++) {
        ixor_test::write_file(marker, marker_text(committed));
        ixor_test::Child writer =
            ixor_test::Child::start("writer", {std::to_string(committed + 1), marker});
        auto deadline = Clock::now() + std::chrono::seconds(20);
        while (read_marker(marker) == committed && writer.running() && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        ASSERT_TRUE(writer.running()) << "the writer stopped on its own at kill " << kill;
        std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
        writer.kill();

        worst_lock_ms = std::max(worst_lock_ms, lock_pass_ms(agent));
        const long long started = read_marker(marker);
        const std::string text = ixor_test::read_file(agent.registrations());
        if (started > committed && text == text_of(started)) {
            committed = started;
            left_new++;
        } else if (text == text_of(std::max(started - 1, committed))) {
            committed = std::max(started - 1, committed);
            left_old++;
        } else {
            FAIL() << "kill " << kill << " during step " << started
                   << " left neither state; file:\n" << text;
        }
        expect_whole_proxy_conf(agent);
    }
    std::printf("%d kills: %d left the old state, %d the new; slowest lock pass %.1f ms\n",
                kills, left_old, left_new, worst_lock_ms);
    // Far below the 10 s a lock held by a dead process would cost.
    EXPECT_LT(worst_lock_ms, 2000.0);
    // The survivor goes on from the state the last kill left, and its save
    // clears what the killed writers left of their temporary files.
    EXPECT_EQ(step(committed + 1).run(), 0);
    EXPECT_EQ(ixor_test::read_file(agent.registrations()), text_of(committed + 1));
    for (const auto &entry : std::filesystem::directory_iterator(agent.ipc(""))) {
        const std::string name = entry.path().filename().string();
        EXPECT_FALSE(name.rfind("ixor_ipcproxy_pre.eni.", 0) == 0 &&
                     name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0)
            << name;
    }
}

const int owners = 8;

// Call k of owner i, on one of its two products; a seventh of the calls
// withdraw, a third leave the uid out so an earlier one is removed.
Call owner_call(int i, int k)
{
    std::optional<std::string> uid;
    if (k % 3 != 0) {
        uid = std::to_string(i * 100000 + k);
    }
    return Call{k % 7 == 0, Change{"L" + std::to_string(i) + (k % 2 ? "a" : "b"),
                                   std::to_string(1 + (k * 13 + i) % 99),
                                   "127." + std::to_string(i) + "." +
                                       std::to_string(k / 256 % 256) + "." +
                                       std::to_string(k % 256),
                                   std::to_string(1000 + k), uid}};
}

// owner I CALLS: makes its calls; exit status 0, or 100 + the failed call's
// number modulo 100.
IXOR_TEST_CHILD_MODE(owner)
{
    int i = std::stoi(args.at(0));
    for (int k = 1; k <= std::stoi(args.at(1)); k++) {
        if (owner_call(i, k).run() != 0) {
            return 100 + k % 100;
        }
    }
    return 0;
}

TEST(LostUpdates, EightOwnersEndAsTheirSerialReplay)
{
    const int calls = scaled(1000);
    ixor_test::AgentRoot agent;
    ixor_test::TempDir scratch;
    // W outranks every owner, so the file's lock is what the processes
    // contend for, not the proxy configuration.
    agent.register_product("W");
    ASSERT_EQ((Change{"W", "100", "127.0.0.1", "9", "1"}.call()), 0);
    for (int i = 0; i < owners; i++) {
        agent.register_product("L" + std::to_string(i) + "a");
        agent.register_product("L" + std::to_string(i) + "b");
    }
    std::string replay = ixor_test::read_file(agent.registrations());

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
            replay = owner_call(i, k).after(replay, scratch.file("model.eni"));
        }
    }
    ixor_test::write_file(scratch.file("replay.eni"), replay);
    // Sections of different owners interleave in any order; their set and
    // every registration must match, and W keeps its place in front.
    EXPECT_EQ(ixor_test::registrations(agent.registrations()),
              ixor_test::registrations(scratch.file("replay.eni")));
    EXPECT_EQ(ixor_test::section_names(agent.registrations()).value().front(), "W");
}

}  // namespace
