// Lock files exclude every other holder: other handles of this process,
// other threads and other processes.
#include "base_test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>

using base_test::seconds_since;
using base_test::wait_for_file;
using ixor_test::Child;
using ixor_test::TempDir;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::chrono::seconds child_wait(30);

struct Lock {
    explicit Lock(const std::string &path) { init_result = ixor_flock_init(path.c_str(), &h); }
    ~Lock()
    {
        ixor_flock_release(h);
        ixor_flock_destroy(h);
    }
    Lock(const Lock &) = delete;
    Lock &operator=(const Lock &) = delete;
    ixor_flock *h = nullptr;
    int init_result = -1;
};

// Acquires on another thread; the future tells when it got the lock.
std::future<int> acquire_async(ixor_flock *h)
{
    return std::async(std::launch::async, [h] { return ixor_flock_acquire(h); });
}

// Holds the lock, says so with a file, and lets go when told to (or after
// the wait runs out, so that a lost parent leaves no process behind).
IXOR_TEST_CHILD_MODE(hold_lock)
{
    Lock lock(args.at(0));
    if (lock.init_result != 0 || ixor_flock_acquire(lock.h) != 0)
        return 2;
    ixor_test::write_file(args.at(1), "held");
    return wait_for_file(args.at(2), child_wait) ? 0 : 3;
}

// Adds one to a counter file many times, each time under the lock.
IXOR_TEST_CHILD_MODE(count_under_lock)
{
    Lock lock(args.at(0));
    if (lock.init_result != 0)
        return 2;
    for (int i = 0; i < std::stoi(args.at(2)); ++i) {
        if (ixor_flock_acquire(lock.h) != 0)
            return 3;
        base_test::Ini ini = base_test::load(args.at(1));
        if (!ini)
            ini.reset(ixor_ini_file_load(nullptr));
        const int n = ixor_ini_file_get_int(ini.get(), "c", "n", 0);
        ixor_ini_file_set_int(ini.get(), "c", "n", n + 1);
        if (ixor_ini_file_save(ini.get(), args.at(1).c_str(), 0) != 0)
            return 4;
        ixor_flock_release(lock.h);
    }
    return 0;
}

TEST(Flock, BadArgumentsAreRefusedAndCleanupAcceptsNull)
{
    TempDir dir;
    ixor_flock *h = reinterpret_cast<ixor_flock *>(&dir);
    EXPECT_NE(ixor_flock_init(nullptr, &h), 0);
    EXPECT_EQ(h, nullptr);
    EXPECT_NE(ixor_flock_init(dir.file("x.lock").c_str(), nullptr), 0);
    ixor_test::write_file(dir.file("file"), "");
    EXPECT_NE(ixor_flock_init(dir.file("file/x.lock").c_str(), &h), 0);
    EXPECT_EQ(h, nullptr);
    EXPECT_NE(ixor_flock_init(dir.path().c_str(), &h), 0);
    EXPECT_EQ(h, nullptr);
    EXPECT_NE(ixor_flock_acquire(nullptr), 0);
    ixor_flock_release(nullptr);
    ixor_flock_destroy(nullptr);
}

TEST(Flock, InitCreatesDirectoriesAndTheFileWhichStays)
{
    TempDir dir;
    const std::string path = dir.file("a/b/conf.ini.lock");
    {
        Lock lock(path);
        ASSERT_EQ(lock.init_result, 0);
        EXPECT_TRUE(ixor_test::file_exists(path));
        EXPECT_EQ(ixor_flock_acquire(lock.h), 0);
        EXPECT_EQ(ixor_flock_acquire(lock.h), 0);
        ixor_flock_release(lock.h);
        ixor_flock_release(lock.h);
        EXPECT_EQ(ixor_flock_acquire(lock.h), 0);
    }
    EXPECT_TRUE(ixor_test::file_exists(path));
    Lock again(path);
    EXPECT_EQ(ixor_flock_acquire(again.h), 0);
}

TEST(Flock, SecondHandleWaitsUntilTheFirstReleases)
{
    TempDir dir;
    Lock first(dir.file("x.lock"));
    Lock second(dir.file("x.lock"));
    ASSERT_EQ(ixor_flock_acquire(first.h), 0);
    std::future<int> waiting = acquire_async(second.h);
    EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    const auto released = Clock::now();
    ixor_flock_release(first.h);
    EXPECT_EQ(waiting.get(), 0);
    EXPECT_LT(seconds_since(released), 0.5);
}

TEST(Flock, ThreadsNeverOverlapInside)
{
    TempDir dir;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            Lock lock(dir.file("x.lock"));
            for (int i = 0; i < 25; ++i) {
                if (ixor_flock_acquire(lock.h) != 0)
                    ++failures;
                if (++inside != 1)
                    ++overlaps;
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                --inside;
                ixor_flock_release(lock.h);
            }
        });
    for (std::thread &t : threads)
        t.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(overlaps, 0);
}

// A lock held by another process makes this one wait until the holder
// lets go or is killed; either way the lock is free at once.
TEST(Flock, ProcessHolderMakesOthersWaitUntilReleasedOrKilled)
{
    for (const bool kill : {false, true}) {
        TempDir dir;
        const std::string path = dir.file("x.lock");
        Child child = Child::start("hold_lock", {path, dir.file("held"), dir.file("go")});
        ASSERT_TRUE(wait_for_file(dir.file("held"), child_wait));
        Lock mine(path);
        std::future<int> waiting = acquire_async(mine.h);
        EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
        const auto let_go = Clock::now();
        if (kill)
            child.kill();
        else
            ixor_test::write_file(dir.file("go"), "");
        EXPECT_EQ(waiting.get(), 0);
        EXPECT_LT(seconds_since(let_go), 1.0) << (kill ? "killed" : "released");
        if (!kill) {
            EXPECT_EQ(child.wait(), 0);
        }
    }
}

TEST(Flock, ProcessesCountingUnderTheLockLoseNoUpdate)
{
    TempDir dir;
    const std::string counter = dir.file("counter.ini");
    std::vector<Child> children;
    for (int i = 0; i < 3; ++i)
        children.push_back(Child::start("count_under_lock", {dir.file("x.lock"), counter, "40"}));
    for (Child &child : children)
        EXPECT_EQ(child.wait(), 0);
    base_test::Ini ini = base_test::load(counter);
    ASSERT_TRUE(ini);
    EXPECT_EQ(ixor_ini_file_get_int(ini.get(), "c", "n", 0), 120);
}

// The one slow test: a lock that stays held makes acquire give up after
// its ten-second bound.
TEST(Flock, AcquireGivesUpAfterTenSeconds)
{
    TempDir dir;
    Lock holder(dir.file("x.lock"));
    Lock waiter(dir.file("x.lock"));
    ASSERT_EQ(ixor_flock_acquire(holder.h), 0);
    const auto start = Clock::now();
    EXPECT_NE(ixor_flock_acquire(waiter.h), 0);
    EXPECT_GE(seconds_since(start), 9.9);
    EXPECT_LT(seconds_since(start), 12.0);
    ixor_flock_release(holder.h);
    EXPECT_EQ(ixor_flock_acquire(waiter.h), 0);
}

}  // namespace
