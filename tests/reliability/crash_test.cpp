// A writer process is killed at random moments while it changes and
// withdraws a registration; after every kill the files must hold the state
// before or after the interrupted call, and every lock must be free.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

#include "agent_root.h"
#include "ixor_ipc.h"
#include "registration_model.h"
#include "reliability_scale.h"

namespace {

using ixor_test::Change;
using Clock = std::chrono::steady_clock;

// Step v of the writer's sequence: every fifth step withdraws P, the others
// register values that name the step in every key.
bool is_removal(long long v) { return v % 5 == 0; }

Change step_change(long long v)
{
    return Change{"P", std::to_string(v % 100 + 1), "h" + std::to_string(v),
                  std::to_string(v % 65534 + 1), std::to_string(v)};
}

int run_step(long long v)
{
    return is_removal(v) ? ixor_remove_product_config("P") : step_change(v).call();
}

// A fixed-width marker rewritten in place, so a kill never leaves half a number.
void write_marker(int fd, long long v)
{
    char text[24];
    int n = std::snprintf(text, sizeof text, "%020lld\n", v);
    ssize_t written = pwrite(fd, text, static_cast<size_t>(n), 0);
    (void)written;
}

long long read_marker(const std::string &path)
{
    return std::stoll(ixor_test::read_file(path));
}

// writer START MARKER: steps START, START+1, ... until killed, writing each
// step's number to MARKER before it starts the call.
IXOR_TEST_CHILD_MODE(writer)
{
    long long v = std::stoll(args.at(0));
    int fd = open(args.at(1).c_str(), O_WRONLY);
    if (fd < 0) {
        return 2;
    }
    for (;; v++) {
        write_marker(fd, v);
        if (run_step(v) != 0) {
            return 3;
        }
    }
}

class CrashSafety : public ::testing::Test {
protected:
    void SetUp() override
    {
        agent.register_product("B");
        agent.register_product("P");
        // B outranks P half of the time, so P's steps both do and do not
        // reach the proxy configuration.
        ASSERT_EQ((Change{"B", "50", "127.0.0.1", "9", "7"}.call()), 0);
        base_text = ixor_test::read_file(agent.registrations());
    }

    std::string text_of(long long v)
    {
        if (is_removal(v)) {
            return ixor_test::expected_after_remove(base_text, "P", scratch.file("m")).value();
        }
        return ixor_test::expected_after_change(base_text, step_change(v), true,
                                                scratch.file("m"))
            .value();
    }

    // Milliseconds to take every lock the writer may have held.
    double lock_wait_ms()
    {
        const std::string locks[] = {
            agent.registrations() + ".lock", agent.proxy_conf() + ".lock",
            agent.home() + "/config/product_register.eni.lock",
            agent.process_record() + ".lock"};
        auto start = Clock::now();
        for (const std::string &path : locks) {
            ixor_flock *lock = nullptr;
            EXPECT_EQ(ixor_flock_init(path.c_str(), &lock), 0) << path;
            EXPECT_EQ(ixor_flock_acquire(lock), 0) << path;
            ixor_flock_release(lock);
            ixor_flock_destroy(lock);
        }
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }

    // The proxy configuration, when written, is one whole file of P's or B's.
    void expect_whole_proxy_conf()
    {
        if (!ixor_test::file_exists(agent.proxy_conf())) {
            return;
        }
        auto sections = ixor_test::section_names(agent.proxy_conf());
        ASSERT_TRUE(sections.has_value());
        EXPECT_EQ(*sections, std::vector<std::string>{"config"});
        std::string addr = ixor_test::ini_value(agent.proxy_conf(), "config", "addr");
        EXPECT_TRUE(addr == "127.0.0.1" || addr.rfind('h', 0) == 0) << addr;
    }

    // Files below the configuration folder that no step names: what killed
    // saves left of their temporary files.
    int leftovers() const
    {
        int count = 0;
        for (const auto &entry :
             std::filesystem::recursive_directory_iterator(agent.home() + "/config")) {
            const std::string name = entry.path().filename().string();
            bool known = entry.is_directory() || name.find(".lock") != std::string::npos ||
                         name == "product_register.eni" || name == "ixor_ipcproxy_pre.eni" ||
                         name == "ixor_ipcproxy.ini" || name == "ipc_proxy.eni";
            count += known ? 0 : 1;
        }
        return count;
    }

    ixor_test::AgentRoot agent;
    ixor_test::TempDir scratch;
    std::string base_text;
};

TEST_F(CrashSafety, KilledWriterLeavesOldOrNewStateAndFreeLocks)
{
    const int kills = ixor_test::reliability_count(1000);
    // The parent's own calls give a rate to spread the kill moments over.
    const int calibration = 20;
    auto start = Clock::now();
    for (long long v = 1; v <= calibration; v++) {
        ASSERT_EQ(run_step(v), 0);
    }
    const auto step_us = std::chrono::duration_cast<std::chrono::microseconds>(
                             Clock::now() - start).count() / calibration;
    long long committed = calibration;
    ASSERT_EQ(ixor_test::read_file(agent.registrations()), text_of(committed));

    const std::string marker = scratch.file("marker");
    std::mt19937_64 random(20240611);
    std::uniform_int_distribution<long long> delay_us(0, 3 * step_us);
    int interrupted_before = 0;
    int interrupted_after = 0;
    double worst_lock_ms = 0;
    for (int kill = 0; kill < kills; kill++) {
        int fd = open(marker.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        write_marker(fd, committed);
        close(fd);
        ixor_test::Child writer =
            ixor_test::Child::start("writer", {std::to_string(committed + 1), marker});
        auto deadline = Clock::now() + std::chrono::seconds(20);
        while (read_marker(marker) == committed && writer.running() && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        ASSERT_TRUE(writer.running()) << "the writer stopped on its own at kill " << kill;
        std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
        writer.kill();

        worst_lock_ms = std::max(worst_lock_ms, lock_wait_ms());
        const long long started = read_marker(marker);
        const std::string text = ixor_test::read_file(agent.registrations());
        if (started > committed && text == text_of(started)) {
            committed = started;
            interrupted_after++;
        } else if (text == text_of(started > committed ? started - 1 : committed)) {
            committed = started > committed ? started - 1 : committed;
            interrupted_before++;
        } else {
            FAIL() << "kill " << kill << " during step " << started
                   << " left neither state; file:\n" << text;
        }
        expect_whole_proxy_conf();
    }
    std::printf("%d kills: %d left the old state, %d the new; slowest lock pass %.1f ms; "
                "%d temporary files left behind by killed saves\n",
                kills, interrupted_before, interrupted_after, worst_lock_ms, leftovers());
    // Far below the 10 s a lock held by a dead process would cost.
    EXPECT_LT(worst_lock_ms, 2000.0);
    // The survivor goes on from the state the last kill left.
    EXPECT_EQ(run_step(committed + 1), 0);
    EXPECT_EQ(ixor_test::read_file(agent.registrations()), text_of(committed + 1));
    // Its save cleared what the killed writers left of that file.
    for (const auto &entry : std::filesystem::directory_iterator(agent.ipc(""))) {
        const std::string name = entry.path().filename().string();
        EXPECT_FALSE(name.rfind("ixor_ipcproxy_pre.eni.", 0) == 0 &&
                     name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0)
            << name;
    }
}

}  // namespace
