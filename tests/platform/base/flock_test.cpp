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

// Init makes the lock file and its folders; release lets go before the
// handle is destroyed and the handle can lock again, and destroy without
// release lets go too; a path below a file, or a folder in the lock
// file's place, is refused.
TEST(Flock, InitReleaseDestroyAndWhatIsNoFile)
{
    TempDir dir;
    const std::string path = dir.file("a/b/conf.ini.lock");
    ixor_flock *lock = nullptr;
    ASSERT_EQ(ixor_flock_init(path.c_str(), &lock), 0);
    EXPECT_EQ(ixor_flock_acquire(lock), 0);
    ixor_flock_release(lock);
    EXPECT_TRUE(FileLock(dir.file("a/b/conf.ini")).held()) << "free once released";
    ASSERT_EQ(ixor_flock_acquire(lock), 0);
    EXPECT_FALSE(lock_free(path)) << "a released handle locks again";
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

}  // namespace
