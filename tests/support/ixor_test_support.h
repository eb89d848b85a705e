// Helpers shared by the test programs: temporary roots, files, environment
// and child processes (the running test program started again in a "child
// mode", so process tests work the same on Linux and under wine).
#ifndef IXOR_TEST_SUPPORT_H
#define IXOR_TEST_SUPPORT_H

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "os.h"

namespace ixor_test {

// A fresh directory below the system temporary directory, removed with all
// its content when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }
    std::string file(const std::string &rel) const { return path_ + "/" + rel; }

private:
    std::string path_;
};

std::string self_path();                         // this test program's own path
std::string read_file(const std::string &path);  // whole file as bytes; "" when absent
void write_file(const std::string &path, const std::string &bytes);  // creates parent dirs
bool file_exists(const std::string &path);
// Whether a handle of its own gets the lock file's lock at once; it lets
// the lock go again.
bool lock_free(const std::string &lock_path);

// What the system lets a test do to files and to itself; each is false (or
// -1) where the system has no such thing, and the test then skips.
int set_umask(int mask);               // the old mask
int mode_of(const std::string &path);  // permission bits, without following a link
bool make_symlink(const std::string &target, const std::string &link);
bool make_fifo(const std::string &path);
// Whether starting a process is costly (under wine).
bool process_starts_are_costly();

// Sets (or, with a null value, unsets) an environment variable for the
// scope and restores the old value afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Loopback listeners that the tests open themselves, and a loopback port on
// which nothing listens.
using Listener = ixor::os::LoopbackListener;
uint16_t closed_port();

// Connections that fill a listener's accept queue, so that further
// connection attempts hang; they close with the object.
class FilledQueue {
public:
    explicit FilledQueue(uint16_t port);
    ~FilledQueue();
    FilledQueue(const FilledQueue &) = delete;
    FilledQueue &operator=(const FilledQueue &) = delete;

private:
    std::vector<ixor::os::SocketHandle> clients_;
};
// Starts a connection to a loopback port without waiting for it (per system).
ixor::os::SocketHandle connect_nowait(uint16_t port);

// Another local account: a child process forked from the test that runs
// as uid and gid 65534 without supplementary groups, as the attacker or the
// unprivileged reader. Only a POSIX test running as root can have one.
class OtherUser {
public:
    // Says ready() once the state it sets up is in place.
    using Body = std::function<int(const std::function<void()> &ready)>;
    static bool available();
    explicit OtherUser(const Body &body);
    ~OtherUser();  // kills and reaps a child still running
    OtherUser(const OtherUser &) = delete;
    OtherUser &operator=(const OtherUser &) = delete;
    bool wait_ready();  // false when it exited or took over 10 s instead
    int wait();         // the body's result, or -1 when it did not exit normally

private:
    long pid_ = -1;
    int ready_fd_ = -1;
};
// What the body of an OtherUser gives back when the step it tried failed.
inline constexpr int other_user_failed = 99;
// Holds the file open without delete sharing for the time, as a virus
// scanner or backup tool may (Windows); held() is false where the system
// has no such thing, and the test then skips.
class HeldOpen {
public:
    HeldOpen(const std::string &path, int ms);
    ~HeldOpen();
    HeldOpen(const HeldOpen &) = delete;
    HeldOpen &operator=(const HeldOpen &) = delete;
    bool held() const { return closer_.joinable(); }

private:
    std::thread closer_;
};

// What another account may have done to a folder or file before the
// platform's call: each is false where the system (or wine) cannot show
// it, and the test then skips. open_to_everybody lets every account write
// it; give_to_other_account makes another account its owner (root or an
// administrator only); make_folder_link puts a symbolic link (a junction on
// Windows) to the target folder at the path.
bool open_to_everybody(const std::string &path);
bool others_may_write(const std::string &path);
bool give_to_other_account(const std::string &path);
bool make_folder_link(const std::string &target, const std::string &link);

// Opens the file for reading only and takes its lock, as `flock -x FILE`
// does; the descriptor, or -1 when either step fails (POSIX only).
int read_lock(const std::string &path);
// Kills any process by its pid, hard; false when there is none to kill.
bool kill_process(int pid);

// A child mode is a function of the test program that runs instead of the
// tests when the program is started as "prog --child NAME args...".
using ChildMain = int (*)(const std::vector<std::string> &args);
bool register_child_mode(const char *name, ChildMain fn);
// Runs the mode that "prog --child NAME args..." names; 2 for an unknown one.
int run_child_mode(const std::vector<std::string> &args);
// Skips a test that runs only with its shim preloaded, as the CTest entry
// that ixor_add_preloaded_test adds: IXOR_<SHIM>_SHIM is then set.
#define IXOR_SKIP_UNLESS_PRELOADED(shim)                                                           \
    do {                                                                                           \
        if (!std::getenv("IXOR_" shim "_SHIM"))                                                    \
            GTEST_SKIP() << "runs with its shim preloaded";                                        \
    } while (0)

#define IXOR_TEST_CHILD_MODE(name)                                                                 \
    static int ixor_child_##name(const std::vector<std::string> &args);                            \
    static const bool ixor_child_reg_##name =                                                      \
        ::ixor_test::register_child_mode(#name, ixor_child_##name);                                \
    static int ixor_child_##name(const std::vector<std::string> &args)

// A child process: this test program in one of its child modes, or a
// program beside it with its standard output and error in the given files.
class Child {
public:
    static Child start(const std::string &mode, const std::vector<std::string> &args);
    static Child beside(const std::string &program, const std::vector<std::string> &args,
                        const std::string &out_path, const std::string &err_path);
    // A program of the system, by its full path.
    static Child at(const std::string &path, const std::vector<std::string> &args,
                    const std::string &out_path, const std::string &err_path);
    Child(Child &&other) noexcept;
    ~Child();     // kills and reaps a child still running
    int wait();   // exit status, or -1 when it did not exit normally
    void kill();  // hard kill (SIGKILL / TerminateProcess), then reaps
    // Asks it to stop as the agent does: SIGTERM, or on Windows the stop
    // event whose handle every child finds in IXOR_STOP_EVENT.
    void terminate();
    bool running();

private:
    struct Impl;
    // Per system; without output files the child shares the test's.
    static Impl *spawn(const std::string &exe, const std::vector<std::string> &args,
                       const std::string &out_path, const std::string &err_path);
    explicit Child(Impl *impl) : impl_(impl) {}
    Impl *impl_ = nullptr;
};

}  // namespace ixor_test

#endif
