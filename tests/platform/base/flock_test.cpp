// Lock files exclude every other holder: other handles, other threads and
// other processes, and a waiter gives up after ten seconds.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <optional>
#include <thread>

#include "ixor_test_support.h"
#include "ixorbase_handles.h"

using namespace ixor_test;
using ixorbase::FileLock;  // "<file>.lock", held for the object's lifetime
using Clock = std::chrono::steady_clock;

namespace {

double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Polls for a file that another process creates; false after 30 s.
bool wait_for_file(const std::string &path)
{
    const auto start = Clock::now();
    while (!file_exists(path) && seconds_since(start) < 30)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return file_exists(path);
}

// Holds the lock, says so with a file, and lets go when told to (or after
// the wait runs out, so that a lost parent leaves no process behind).
IXOR_TEST_CHILD_MODE(hold_lock)
{
    const FileLock lock(args.at(0));
    if (!lock.held())
        return 2;
    write_file(args.at(1), "held");
    return wait_for_file(args.at(2)) ? 0 : 3;
}

// Init makes the lock file and its folders, which outlive the handle; a
// handle that holds the lock does not wait for itself, and release lets go
// before the handle is destroyed.
TEST(Flock, InitCreatesTheFileAndRefusesWhatIsNoFile)
{
    TempDir dir;
    const std::string path = dir.file("a/b/conf.ini.lock");
    ixor_flock *lock = nullptr;
    ASSERT_EQ(ixor_flock_init(path.c_str(), &lock), 0);
    EXPECT_EQ(ixor_flock_acquire(lock), 0);
    EXPECT_EQ(ixor_flock_acquire(lock), 0);
    ixor_flock_release(lock);
    EXPECT_TRUE(FileLock(dir.file("a/b/conf.ini")).held()) << "free once released";
    ixor_flock_destroy(lock);
    ASSERT_EQ(ixor_flock_init(path.c_str(), &lock), 0);
    ASSERT_EQ(ixor_flock_acquire(lock), 0);
    ixor_flock_destroy(lock);
    EXPECT_TRUE(FileLock(dir.file("a/b/conf.ini")).held()) << "free once destroyed";
    EXPECT_TRUE(file_exists(path));
    write_file(dir.file("file"), "");
    write_file(dir.file("folder.lock/inside"), "");
    EXPECT_FALSE(FileLock(dir.file("file/x")).held());
    EXPECT_FALSE(FileLock(dir.file("folder")).held());
    EXPECT_NE(ixor_flock_acquire(nullptr), 0);
    ixor_flock_release(nullptr);
    ixor_flock_destroy(nullptr);
}

// Another handle (waited on from a second thread) or another process holds
// the lock; once it lets go or is killed, the waiter gets it at once.
class FlockHolder : public testing::TestWithParam<std::string> {};

TEST_P(FlockHolder, MakesOthersWaitUntilReleasedOrKilled)
{
    TempDir dir;
    const std::string file = dir.file("x");
    std::optional<FileLock> handle;
    std::optional<Child> child;
    if (GetParam() == "handle")
        handle.emplace(file);
    else
        child.emplace(Child::start("hold_lock", {file, dir.file("held"), dir.file("go")}));
    ASSERT_TRUE(handle || wait_for_file(dir.file("held")));
    auto waiting = std::async(std::launch::async, [&file] { return FileLock(file).held(); });
    EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    const auto let_go = Clock::now();
    if (handle)
        handle.reset();
    else if (GetParam() == "process")
        write_file(dir.file("go"), "");
    else
        child->kill();
    EXPECT_TRUE(waiting.get());
    EXPECT_LT(seconds_since(let_go), 1.0);
    if (GetParam() == "process") {
        EXPECT_EQ(child->wait(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Holders, FlockHolder, testing::Values("handle", "process", "killed"));

// The one slow test: a lock that stays held makes acquire give up after
// its ten-second bound.
TEST(Flock, AcquireGivesUpAfterTenSeconds)
{
    TempDir dir;
    std::optional<FileLock> holder(dir.file("x"));
    const auto start = Clock::now();
    EXPECT_FALSE(FileLock(dir.file("x")).held());
    EXPECT_GE(seconds_since(start), 9.9);
    EXPECT_LT(seconds_since(start), 12.0);
    holder.reset();
    EXPECT_TRUE(FileLock(dir.file("x")).held());
}

}  // namespace
