// The operating system seam under the platform libraries, the tool and the
// test support: every file, lock, process, environment, thread-storage and
// socket call of theirs goes through here, with one implementation file per
// system and concern (*_posix.cpp, *_win.cpp). Paths are UTF-8 everywhere.
//
// What the platform creates is never writable by other users, whatever the
// umask: folders 0755 (on Windows an explicit DACL: SYSTEM, Administrators
// and the creating account full control, Users read and execute), files
// 0644, lock files 0600 (on Windows no access for Users), so that only
// their owner can hold a lock. Data, lock, log and temporary files are
// opened without following a symbolic link or reparse point, and only
// regular files are read, written or locked.
//
// Nothing found on disk is used as found: folders are opened level by level
// from the top without following links, and every level and file must
// belong to root or to the caller and be writable by nobody else. What is
// the caller's but open to others (left so by an older build) is narrowed;
// anything else is refused (EPERM) and reported. A folder of root's with
// the sticky bit (/tmp) may be writable by all: what lies in it is checked
// on its own. On Windows make_dirs walks the levels and files opened are
// checked for their owner, where SYSTEM, the Administrators and
// TrustedInstaller stand for root (trust_win.cpp).
#ifndef IXOR_OS_H
#define IXOR_OS_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ixor::os {

// "/" on POSIX, "/\\" on Windows.
extern const char *const path_separators;

// Refusals and narrowings (refusal.cpp): one line each to the sink, which
// the platform library points at its log; none before it does.
using RefusalSink = void (*)(const char *line) noexcept;
void set_refusal_sink(RefusalSink sink);
void report(const std::string &line);

// Running out of memory (memory_*.cpp): an export that failed for want of
// memory says so where every module of the process sees it (errno ENOMEM,
// or the thread's last error on Windows), so that a caller can tell that
// failure from an answer.
void say_out_of_memory();
void forget_out_of_memory();
bool said_out_of_memory();

// Paths (path.cpp, portable). The directory part of a path: "" when it has
// none, "/" for the root.
std::string parent_dir(const std::string &path);
bool make_parent_dirs(const std::string &path);

// Folders (dir_*.cpp).
bool is_directory(const std::string &path);
// Creates the directory and its missing parents, level by level, so that
// doubled separators and ".." parts need no cleaning first.
bool make_dirs(const std::string &dir);
// The names in a folder, "." and ".." left out; none when it cannot be read.
std::vector<std::string> list_dir(const std::string &dir);

// Atomic saves (atomic_save.cpp, portable). Replaces the file through a
// temporary file in the same directory, so readers see the old or the new
// content, never a part. Fails when the path holds anything but a regular
// file. With durable set the directory entry is flushed too.
bool write_file_atomic(const std::string &path, std::string_view data, bool durable);

// What a save is made of (file_*.cpp), per system.
using FileHandle = std::intptr_t;
inline constexpr FileHandle no_file = -1;
// Nothing at the path, or a regular file: a save may replace it.
bool replaceable(const std::string &path);
// A new file with the platform's file mode, for writing; no_file when
// anything lies at the path already (name_taken set) or it cannot be made.
FileHandle create_new_file(const std::string &path, bool &name_taken);
// Writes the bytes, flushes them to disk and closes the file in any case.
bool write_and_close(FileHandle file, std::string_view data);
// Renames over the target; on Windows it waits a little for a reader that
// holds the target without delete sharing (a scanner, a backup tool).
bool replace_file(const std::string &from, const std::string &to);
// Flushes the folder's entries to disk where the rename did not.
bool sync_dir(const std::string &dir);

// Files (file_*.cpp).
// The whole content of a regular file; nothing when it is missing, not a
// regular file, unreadable or larger than the cap.
std::optional<std::string> read_file(const std::string &path, std::uint64_t cap);
// Appends the bytes with one write so that writers in other processes
// never interleave; returns the file size afterwards, or -1.
long long append_to_file(const std::string &path, std::string_view data);
long long file_size(const std::string &path);  // -1 when absent
bool path_exists(const std::string &path);
bool rename_replace(const std::string &from, const std::string &to);
bool remove_file(const std::string &path);

// Temporary files of atomic saves (temp_files.cpp, portable): a fresh name
// beside the file, and the removal of those left by writers that died
// before their rename.
std::string next_temp_name(const std::string &path);
void remove_stale_temps(const std::string &path);

// Lock files (lock_*.cpp): a descriptor or HANDLE of the lock's own. Only
// their owner (and root) can open them, so no other user can hold a lock.
using LockHandle = std::intptr_t;
inline constexpr LockHandle no_lock_handle = -1;
// A caller who may not write the lock's folder (another user, a read-only
// file system) reads without the lock: a save replaces its file whole, so a
// reader sees the old content or the new. Locking it always succeeds.
inline constexpr LockHandle reader_without_lock = -2;
// Opens or creates the lock file, and its folders when they are missing.
LockHandle open_lock_file(const std::string &path);
bool try_lock(LockHandle handle);  // exclusive, without waiting
void unlock(LockHandle handle);
void close_lock_file(LockHandle handle);

// Processes (process_*.cpp).
std::optional<std::string> process_path(int pid);
int current_pid();
bool process_alive(int pid);
// Lets the process hold as many descriptors as the hard limit allows, for
// servers of many connections; Windows has no such limit.
void raise_open_file_limit();

// The environment (env_*.cpp) and the command line (args_*.cpp), as UTF-8.
std::optional<std::string> get_env(const char *name);
// A null value unsets the variable.
bool set_env(const char *name, const char *value);
// Every argument, the program's name first.
std::vector<std::string> program_args(int argc, char **argv);

// UTF-8 and UTF-16 for the Windows W functions (text_win.cpp; Windows
// only). widen gives "" for invalid UTF-8.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

// Storage of each thread, kept by the system, with a clean-up when the
// thread ends (thread_slot_*.cpp). The Windows build's C++ runtime runs
// thread_local destructors after it has freed the storage they live in, so
// nothing of the platform keeps a thread_local object with a destructor.
struct ThreadValue {
    virtual ~ThreadValue() = default;
};

class ThreadSlot {
public:
    ThreadSlot();
    // Gives the key back, so that no thread's end calls into an unloaded
    // library; values still held are deleted (Windows) or left (POSIX).
    ~ThreadSlot();
    ThreadSlot(const ThreadSlot &) = delete;
    ThreadSlot &operator=(const ThreadSlot &) = delete;
    ThreadValue *get() const;      // null before the thread's first set
    bool set(ThreadValue *value);  // takes ownership on success only

private:
    unsigned long key_ = 0;
    bool valid_ = false;
};

// Loopback TCP sockets (socket_*.cpp), for listeners that stand in for an
// upstream endpoint.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle no_socket = -1;
// Listens on 127.0.0.1; port 0 lets the system pick one, written back.
SocketHandle listen_loopback(std::uint16_t &port, int backlog);
// Waits up to the time for a connection, accepts it and closes it at once.
void accept_one(SocketHandle listener, int wait_ms);
void close_socket(SocketHandle socket);

// A listener on 127.0.0.1 (listener.cpp, portable): accepts connections and
// closes them at once.
class LoopbackListener {
public:
    explicit LoopbackListener(std::uint16_t port = 0, int backlog = 16);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener &) = delete;
    LoopbackListener &operator=(const LoopbackListener &) = delete;
    bool listening() const { return socket_ != no_socket; }
    std::uint16_t port() const { return port_; }
    // Accepts and closes connections for that long.
    void serve(int seconds);

private:
    SocketHandle socket_;
    std::uint16_t port_;
};

}  // namespace ixor::os

#endif
