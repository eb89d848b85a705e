// Lock files exclude every other handle and thread, and a waiter gives up
// after ten seconds.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <optional>

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

TEST(Flock, InitMakesTheLockFileAndItsFolders)
{
    TempDir dir;
    const std::string path = dir.file("a/b/conf.ini.lock");
    ixor_flock *lock = nullptr;
    ASSERT_EQ(ixor_flock_init(path.c_str(), &lock), 0);
    EXPECT_TRUE(file_exists(path));
    ixor_flock_destroy(lock);
}

// Release lets go and the handle can lock again; destroy without release
// lets go too.
TEST(Flock, ReleaseOrDestroyLetsGo)
{
    TempDir dir;
    const std::string path = dir.file("conf.ini.lock");
    ixor_flock *lock = nullptr;
    ASSERT_EQ(ixor_flock_init(path.c_str(), &lock), 0);
    ASSERT_EQ(ixor_flock_acquire(lock), 0);
    ixor_flock_release(lock);
    EXPECT_TRUE(FileLock(dir.file("conf.ini")).held()) << "free once released";
    ASSERT_EQ(ixor_flock_acquire(lock), 0);
    EXPECT_FALSE(lock_free(path)) << "a released handle locks again";
    ixor_flock_destroy(lock);
    EXPECT_TRUE(FileLock(dir.file("conf.ini")).held()) << "free once destroyed";
}

// A path below a file, a folder in the lock file's place, no path and no
// handle are refused, and a refused init leaves no handle.
TEST(Flock, NoLockBelowAFileOnAFolderOrWithoutAHandle)
{
    TempDir dir;
    write_file(dir.file("file"), "");
    write_file(dir.file("folder.lock/inside"), "");
    EXPECT_FALSE(FileLock(dir.file("file/x")).held());
    EXPECT_FALSE(FileLock(dir.file("folder")).held());
    ixor_flock *lock = reinterpret_cast<ixor_flock *>(&dir);
    EXPECT_EQ(ixor_flock_init(nullptr, &lock), -1);
    EXPECT_EQ(lock, nullptr);
    EXPECT_EQ(ixor_flock_init(dir.file("x.lock").c_str(), nullptr), -1);
    EXPECT_EQ(ixor_flock_acquire(nullptr), -1);
}

// Under the file-fault shim a lock file is taken when created and gone when
// opened, twice or for ever: the init gets past a race that ends, and gives
// up on one that does not instead of trying for ever.
TEST(FileFault, LockInitGetsPastARaceThatEnds)
{
    IXOR_SKIP_UNLESS_PRELOADED("FILE_FAULT");
    TempDir dir;
    ixor_flock *lock = nullptr;
    EXPECT_EQ(ixor_flock_init(dir.file("lock-race-twice.lock").c_str(), &lock), 0);
    EXPECT_NE(lock, nullptr);
    ixor_flock_destroy(lock);
}

TEST(FileFault, LockInitGivesUpOnAFileThatKeepsVanishing)
{
    IXOR_SKIP_UNLESS_PRELOADED("FILE_FAULT");
    TempDir dir;
    ixor_flock *lock = nullptr;
    EXPECT_NE(ixor_flock_init(dir.file("open-race.lock").c_str(), &lock), 0);
    ixor_flock_destroy(lock);
    ASSERT_EQ(ixor_flock_init(dir.file("other.lock").c_str(), &lock), 0) << "other files open";
    ixor_flock_destroy(lock);
}

// On a read-only file system no lock file can be made; a reader goes on
// without one, which the whole-file saves make safe.
TEST(FileFault, ReadOnlyFileSystemReadsWithoutALock)
{
    IXOR_SKIP_UNLESS_PRELOADED("FILE_FAULT");
    TempDir dir;
    ixor_flock *lock = nullptr;
    ASSERT_EQ(ixor_flock_init(dir.file("read-only.lock").c_str(), &lock), 0);
    EXPECT_EQ(ixor_flock_acquire(lock), 0);
    ixor_flock_destroy(lock);
    EXPECT_FALSE(file_exists(dir.file("read-only.lock")));
}

// A waiter gets the lock as soon as its holder lets go, else gives up after
// ten seconds. Holders in other processes, and holders killed, are the
// reliability tests' part.
TEST(FlockHolder, MakesOthersWaitUntilReleasedOrTenSecondsPass)
{
    TempDir dir;
    const std::string file = dir.file("x");
    for (const bool lets_go : {true, false}) {
        std::optional<FileLock> holder(std::in_place, file);
        const auto start = Clock::now();
        auto waiting = std::async(std::launch::async, [&file] { return FileLock(file).held(); });
        EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
        if (lets_go) {
            const auto let_go = Clock::now();
            holder.reset();
            EXPECT_TRUE(waiting.get());
            EXPECT_LT(seconds_since(let_go), 1.0);
        } else {
            EXPECT_FALSE(waiting.get());
            EXPECT_GE(seconds_since(start), 9.9);
            EXPECT_LT(seconds_since(start), 12.0);
        }
    }
}

}  // namespace
