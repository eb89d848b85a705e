// The operating system seam on POSIX systems.
#include "ixorbase.h"
#include "os.h"

#include <cerrno>
#include <csignal>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ixorbase::os {
namespace {

// Retries a call that a signal interrupted.
template <class Call>
auto no_eintr(Call call)
{
    for (;;) {
        auto result = call();
        if (result != -1 || errno != EINTR)
            return result;
    }
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and reports the result, which a write may depend on.
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool write_all(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = no_eintr([&] { return ::write(fd, data.data(), data.size()); });
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool sync_directory(const std::string &dir)
{
    Fd fd(::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.valid() && ::fsync(fd.get()) == 0;
}

// A new file beside the target whose name no other writer uses.
int create_temp_beside(const std::string &path, std::string &temp)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = next_temp_name(path);
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool fill_and_close(Fd &fd, std::string_view data)
{
    return write_all(fd.get(), data) && ::fsync(fd.get()) == 0 && fd.close();
}

}  // namespace

void create_dir(const std::string &dir)
{
    ::mkdir(dir.c_str(), 0777);
}

bool is_directory(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool write_file_atomic(const std::string &path, std::string_view data, bool durable)
{
    if (!make_parent_dirs(path))
        return false;
    std::string temp;
    Fd fd(create_temp_beside(path, temp));
    if (!fd.valid())
        return false;
    if (!fill_and_close(fd, data) || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    remove_stale_temps(path);
    return !durable || sync_directory(parent_dir(path));
}

std::optional<std::string> read_file(const std::string &path, std::uint64_t cap)
{
    Fd fd(no_eintr([&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }));
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) > cap)
        return std::nullopt;
    std::string content;
    char chunk[65536];
    for (;;) {
        const ssize_t n = no_eintr([&] { return ::read(fd.get(), chunk, sizeof chunk); });
        if (n < 0 || content.size() + static_cast<size_t>(n) > cap)
            return std::nullopt;
        if (n == 0)
            return content;
        content.append(chunk, static_cast<size_t>(n));
    }
}

long long append_to_file(const std::string &path, std::string_view data)
{
    Fd fd(no_eintr([&] {
        return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    }));
    if (!fd.valid())
        return -1;
    const ssize_t n = no_eintr([&] { return ::write(fd.get(), data.data(), data.size()); });
    struct stat st;
    if (n != static_cast<ssize_t>(data.size()) || ::fstat(fd.get(), &st) != 0)
        return -1;
    return st.st_size;
}

long long file_size(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

bool path_exists(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool rename_replace(const std::string &from, const std::string &to)
{
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool remove_file(const std::string &path)
{
    return ::unlink(path.c_str()) == 0;
}

std::optional<std::string> process_path(int pid)
{
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target);
    if (n <= 0 || n == static_cast<ssize_t>(sizeof target))
        return std::nullopt;
    return std::string(target, static_cast<size_t>(n));
}

int current_pid()
{
    return static_cast<int>(::getpid());
}

bool process_alive(int pid)
{
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

std::optional<std::string> get_env(const char *name)
{
    const char *value = std::getenv(name);
    if (!value)
        return std::nullopt;
    return std::string(value);
}

}  // namespace ixorbase::os
