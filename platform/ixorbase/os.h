// The operating system seam of libixorbase: every file, process and
// environment call goes through here, one implementation per system.
// Paths are UTF-8 on both systems.
#ifndef IXORBASE_OS_H
#define IXORBASE_OS_H

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace ixorbase::os {

#ifdef _WIN32
inline constexpr const char *path_separators = "/\\";
#else
inline constexpr const char *path_separators = "/";
#endif

// One directory level; failures show in is_directory afterwards.
void create_dir(const std::string &dir);
bool is_directory(const std::string &path);

// Creates the directory and its missing parents, level by level, so that
// doubled separators and ".." parts need no cleaning first.
inline bool make_dirs(const std::string &dir)
{
    if (is_directory(dir))
        return true;
    for (auto cut = dir.find_first_of(path_separators, 1); cut != std::string::npos;
         cut = dir.find_first_of(path_separators, cut + 1))
        create_dir(dir.substr(0, cut));
    create_dir(dir);
    return is_directory(dir);
}

// The directory part of a path: "" when it has none, "/" for the root.
inline std::string parent_dir(const std::string &path)
{
    const auto cut = path.find_last_of(path_separators);
    if (cut == std::string::npos)
        return std::string();
    return path.substr(0, cut == 0 ? 1 : cut);
}

inline bool make_parent_dirs(const std::string &path)
{
    const std::string dir = parent_dir(path);
    return dir.empty() || make_dirs(dir);
}

// Replaces the file through a temporary file in the same directory, so
// readers see the old or the new content, never a part. With durable set
// the directory entry is flushed too.
bool write_file_atomic(const std::string &path, std::string_view data, bool durable);

// The whole content of a regular file; nothing when it is missing,
// unreadable or larger than the cap.
std::optional<std::string> read_file(const std::string &path, std::uint64_t cap);

// Appends the bytes with one write so that writers in other processes
// never interleave; returns the file size afterwards, or -1.
long long append_to_file(const std::string &path, std::string_view data);

long long file_size(const std::string &path);  // -1 when absent
bool path_exists(const std::string &path);
bool rename_replace(const std::string &from, const std::string &to);
bool remove_file(const std::string &path);

std::optional<std::string> process_path(int pid);
int current_pid();
bool process_alive(int pid);

// Temporary files of atomic saves: a fresh name beside the file, and the
// removal of those left by writers that died before their rename.
std::string next_temp_name(const std::string &path);
void remove_stale_temps(const std::string &path);

// The value of an environment variable; nothing when unset.
std::optional<std::string> get_env(const char *name);

#ifdef _WIN32
// UTF-8 to UTF-16 for the W functions; empty for invalid UTF-8.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);
#endif

// An environment variable holding only decimal digits (at most nine);
// nothing when unset or holding anything else.
inline std::optional<long> env_whole_number(const char *name)
{
    const std::optional<std::string> text = get_env(name);
    if (!text || text->empty() || text->size() > 9 ||
        text->find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stol(*text);
}

// Pauses for a number of units of IXOR_SLEEP_UNIT_MS milliseconds (1000
// by default), so that test and demo runs can shorten every pause.
inline void sleep_units(int units)
{
    if (units <= 0)
        return;
    const long unit_ms = env_whole_number("IXOR_SLEEP_UNIT_MS").value_or(1000);
    std::this_thread::sleep_for(std::chrono::milliseconds(unit_ms) * units);
}

// Copies text into a caller's buffer, cut to fit and NUL-terminated.
inline bool copy_cut(const std::string &text, char *buf, int size)
{
    if (!buf || size <= 0)
        return false;
    const size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
    return true;
}

// Lock files: a descriptor or HANDLE of the lock's own, as a number.
using LockHandle = std::intptr_t;
inline constexpr LockHandle no_lock_handle = -1;
// Opens or creates the lock file, and its folders when they are missing.
LockHandle open_lock_file(const char *path);
bool try_lock(LockHandle handle);  // exclusive, without waiting
void unlock(LockHandle handle);
void close_lock_file(LockHandle handle);

// How long acquiring a lock file waits for its holder.
inline constexpr std::chrono::milliseconds lock_wait_bound(10000);

// Calls attempt() until it succeeds or the bound has passed, pausing
// between tries from 0.1 ms growing to 5 ms.
template <class Attempt>
bool retry_with_backoff(Attempt attempt, std::chrono::milliseconds bound)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + bound;
    // Locks are held for a save, well under a millisecond on a quick disk:
    // start with short pauses so a waiter follows soon after the release.
    std::chrono::microseconds pause(100);
    for (;;) {
        if (attempt())
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(5000));
    }
}

}  // namespace ixorbase::os

#endif
