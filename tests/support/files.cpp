// Temporary directories and whole-file reads and writes.
#include "ixor_test_support.h"
#include "support_os.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace ixor_test {
namespace {

// Paths travel as UTF-8 strings, as the libraries under test take them.
fs::path to_path(const std::string &utf8)
{
    return fs::u8path(utf8);
}

std::string unique_name()
{
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    std::ostringstream name;
    name << "ixor-test-" << std::hex << random() << random() << "-" << counter++;
    return name.str();
}

}  // namespace

TempDir::TempDir()
{
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path dir = base / unique_name();
        if (fs::create_directory(dir)) {
            path_ = dir.generic_u8string();
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(to_path(path_), ec);
}

std::string read_file(const std::string &path)
{
    std::ifstream in(to_path(path), std::ios::binary);
    if (!in)
        return "";
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void write_file(const std::string &path, const std::string &bytes)
{
    const fs::path p = to_path(path);
    if (p.has_parent_path())
        fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool file_exists(const std::string &path)
{
    std::error_code ec;
    return fs::exists(to_path(path), ec);
}

long long file_mtime_ns(const std::string &path)
{
    return os::file_mtime_ns(path);
}

int current_pid()
{
    return os::current_pid();
}

}  // namespace ixor_test
