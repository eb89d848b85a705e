#include "raw_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "harness.h"

namespace ixor_bench {

std::string file_bytes(const std::string &path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

namespace {

std::string read_rest(int fd)
{
    std::string content;
    char chunk[65536];
    for (ssize_t n; (n = read(fd, chunk, sizeof chunk)) > 0;) {
        content.append(chunk, size_t(n));
    }
    return content;
}

}  // namespace

size_t raw_locked_read(const std::string &path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    require(fd >= 0 && flock(fd, LOCK_EX) == 0, "raw read of " + path);
    const size_t size = read_rest(fd).size();
    close(fd);
    return size;
}

size_t raw_frame_read(const std::string &apphome_ini, const std::string &path)
{
    const int home = open(apphome_ini.c_str(), O_RDONLY | O_CLOEXEC);
    require(home >= 0 && !read_rest(home).empty(), "raw read of " + apphome_ini);
    close(home);
    struct stat st;
    require(stat(path.c_str(), &st) == 0, "stat of " + path);
    const int lock = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    require(lock >= 0 && flock(lock, LOCK_EX) == 0, "lock of " + path);
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    require(fd >= 0, "raw read of " + path);
    const size_t size = read_rest(fd).size();
    close(fd);
    flock(lock, LOCK_UN);
    close(lock);
    return size;
}

void raw_replace(const std::string &path, const std::string &data, bool durable)
{
    const std::string temp = path + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    require(fd >= 0 && write(fd, data.data(), data.size()) == ssize_t(data.size()) &&
                fsync(fd) == 0 && close(fd) == 0 && rename(temp.c_str(), path.c_str()) == 0,
            "raw replace of " + path);
    if (durable) {
        const int dir = open(path.substr(0, path.rfind('/')).c_str(), O_RDONLY | O_DIRECTORY);
        require(dir >= 0 && fsync(dir) == 0, "directory sync");
        close(dir);
    }
}

}  // namespace ixor_bench
