// The process's shared log: whole lines appended to "<dir>/ixor.log",
// rotated into "ixor.log.1".."ixor.log.<keep>" once the file reaches 1 MiB.
#include "c_boundary.h"
#include "ixorbase_handles.h"
#include "env_knob.h"
#include "os.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>

namespace {

constexpr long long rotate_size = 1 << 20;
constexpr int default_level = 2;
constexpr int max_level = 3;

struct LogState {
    std::mutex mutex;
    std::string file;  // empty while no log is set up
    int keep = 0;
};

LogState &log_state()
{
    static LogState state;
    return state;
}

// What the file layer refuses or narrows is said in this log.
void log_refusal(const char *line) noexcept { ixor_log_output(1, "%s", line); }
[[maybe_unused]] const bool refusals_logged = (ixor::os::set_refusal_sink(log_refusal), true);

// A leading "@" stands for the directory of the running program.
std::optional<std::string> resolve_dir(const std::string &dir)
{
    if (dir.empty() || dir.front() != '@')
        return dir;
    const std::optional<std::string> exe = ixor::os::process_path(ixor::os::current_pid());
    if (!exe)
        return std::nullopt;
    return ixor::os::parent_dir(*exe) + dir.substr(1);
}

std::string numbered(const std::string &file, int n) { return file + "." + std::to_string(n); }

void shift_files(const std::string &file, int keep)
{
    if (keep <= 0) {
        ixor::os::remove_file(file);
        return;
    }
    ixor::os::remove_file(numbered(file, keep));
    for (int n = keep - 1; n >= 1; --n)
        ixor::os::rename_replace(numbered(file, n), numbered(file, n + 1));
    ixor::os::rename_replace(file, numbered(file, 1));
}

// Several writers may see the full file at once; the lock file and the
// second look at the size make only the first of them rotate.
void rotate(const std::string &file, int keep)
{
    const ixorbase::FileLock lock(file);
    if (lock.held() && ixor::os::file_size(file) >= rotate_size)
        shift_files(file, keep);
}

// Formats into a stack buffer, or onto the heap for longer lines.
std::optional<std::string> format_line(const char *format, va_list args)
{
    char small[4096];
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(small, sizeof small, format, args);
    std::optional<std::string> line;
    if (n >= 0 && static_cast<size_t>(n) < sizeof small) {
        line.emplace(small, static_cast<size_t>(n));
    } else if (n > 0) {
        line.emplace(static_cast<size_t>(n) + 1, '\0');
        std::vsnprintf(line->data(), line->size(), format, again);
        line->pop_back();
    }
    va_end(again);
    return line;
}

int write_line(const char *format, va_list args)
{
    const std::optional<std::string> line = format_line(format, args);
    if (!line)
        return -1;
    std::string file;
    int keep = 0;
    {
        LogState &state = log_state();
        const std::lock_guard<std::mutex> guard(state.mutex);
        file = state.file;
        keep = state.keep;
    }
    if (file.empty())
        return -1;
    const long long size = ixor::os::append_to_file(file, *line);
    if (size >= rotate_size)
        rotate(file, keep);
    return size < 0 ? -1 : 0;
}

}  // namespace

int ixor_log_is_regestered(void) noexcept
{
    return ixor::guarded(0, [&] {
        LogState &state = log_state();
        const std::lock_guard<std::mutex> guard(state.mutex);
        return state.file.empty() ? 0 : 1;
    });
}

// Only a directory that fits whole is handed out.
char *ixor_log_dir(char *buf, int size) noexcept
{
    return ixor::guarded<char *>(nullptr, [&]() -> char * {
        const std::optional<std::string> dir = ixor::os::get_env("IXOR_LOG_DIR");
        if (!dir || dir->empty() || !buf || size <= 0 || dir->size() >= static_cast<size_t>(size))
            return nullptr;
        std::memcpy(buf, dir->c_str(), dir->size() + 1);
        return buf;
    });
}

int ixor_autolog_init(const char *dir, int keep) noexcept
{
    return ixor::guarded(-1, [&] {
        if (!dir)
            return -1;
        const std::optional<std::string> resolved = resolve_dir(dir);
        if (!resolved || !ixor::os::make_dirs(*resolved))
            return -1;
        const bool ends_in_separator =
            !resolved->empty() && std::strchr(ixor::os::path_separators, resolved->back());
        const std::string file = *resolved + (ends_in_separator ? "" : "/") + "ixor.log";
        if (ixor::os::append_to_file(file, std::string_view()) < 0)
            return -1;
        LogState &state = log_state();
        const std::lock_guard<std::mutex> guard(state.mutex);
        state.file = file;
        state.keep = keep;
        return 0;
    });
}

int ixor_log_level_get(void) noexcept
{
    return ixor::guarded(default_level, [&] {
        const std::optional<long> level = ixorbase::env_whole_number("IXOR_LOG_LEVEL");
        return level && *level <= max_level ? static_cast<int>(*level) : default_level;
    });
}

// The caller filters by level; every line given is written, in one append
// so that lines of concurrent writers never mix. Without a log set up the
// line is dropped and -1 returned.
int ixor_log_output(int, const char *format, ...) noexcept
{
    if (!format)
        return -1;
    va_list args;
    va_start(args, format);
    const int result = ixor::guarded(-1, [&] { return write_line(format, args); });
    va_end(args);
    return result;
}
