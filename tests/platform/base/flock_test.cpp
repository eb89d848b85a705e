// Lock files exclude every other holder: other handles of this process,
// other threads and other processes.
#include "base_test_util.h"

#include <gtest/gtest.h>

#include <future>
#include <optional>

using namespace base_test;
using ixor_test::Child;

namespace {

constexpr std::chrono::seconds child_wait(30);

// A handle of its own on the lock file; null when init failed.
struct Lock {
    explicit Lock(const std::string &path) : init_result(ixor_flock_init(path.c_str(), &h)) {}
    ~Lock()
    {
        ixor_flock_release(h);
        ixor_flock_destroy(h);
    }
    Lock(const Lock &) = delete;
    Lock &operator=(const Lock &) = delete;
    ixor_flock *h = nullptr;
    const int init_result;
};

// Holds the lock, says so with a file, and lets go when told to (or after
// the wait runs out, so that a lost parent leaves no process behind).
IXOR_TEST_CHILD_MODE(hold_lock)
{
    Lock lock(args.at(0));
    if (ixor_flock_acquire(lock.h) != 0)
        return 2;
    write_file(args.at(1), "held");
    return wait_for_file(args.at(2), child_wait) ? 0 : 3;
}

TEST(Flock, BadArgumentsAreRefusedAndCleanupAcceptsNull)
{
    TempDir dir;
    write_file(dir.file("file"), "");
    EXPECT_NE(ixor_flock_init(dir.file("x.lock").c_str(), nullptr), 0);
    const std::string below_file = dir.file("file/x.lock");
    const char *no_path = nullptr;
    for (const char *bad : {no_path, below_file.c_str(), dir.path().c_str()}) {
        ixor_flock *h = reinterpret_cast<ixor_flock *>(&dir);
        EXPECT_NE(ixor_flock_init(bad, &h), 0) << (bad ? bad : "null");
        EXPECT_EQ(h, nullptr) << (bad ? bad : "null");
    }
    EXPECT_NE(ixor_flock_acquire(nullptr), 0);
    ixor_flock_release(nullptr);
    ixor_flock_destroy(nullptr);
}

// The file is created by init, with its directories, and outlives the
// handle; acquiring twice on one handle does not wait for itself.
TEST(Flock, InitCreatesTheFileWhichStays)
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

// A lock held by another handle of this process or by another process
// makes a waiter wait; once the holder lets go or is killed, the waiter
// gets it at once.
TEST(Flock, HolderMakesOthersWaitUntilReleasedOrKilled)
{
    const std::pair<std::string, double> holders[] = {
        {"handle", 0.5}, {"process", 1.0}, {"killed process", 1.0}};
    for (const auto &[holder, bound] : holders) {
        TempDir dir;
        const std::string path = dir.file("x.lock");
        Lock other(path);
        std::optional<Child> child;
        if (holder == "handle") {
            ASSERT_EQ(ixor_flock_acquire(other.h), 0);
        } else {
            child.emplace(Child::start("hold_lock", {path, dir.file("held"), dir.file("go")}));
            ASSERT_TRUE(wait_for_file(dir.file("held"), child_wait));
        }
        Lock mine(path);
        std::future<int> waiting =
            std::async(std::launch::async, [&mine] { return ixor_flock_acquire(mine.h); });
        EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout)
            << holder;
        const auto let_go = Clock::now();
        if (holder == "handle")
            ixor_flock_release(other.h);
        else if (holder == "process")
            write_file(dir.file("go"), "");
        else
            child->kill();
        EXPECT_EQ(waiting.get(), 0) << holder;
        EXPECT_LT(seconds_since(let_go), bound) << holder;
        if (holder == "process") {
            EXPECT_EQ(child->wait(), 0);
        }
    }
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
