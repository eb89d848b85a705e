// Child modes and the start of children, temporary directories, whole-file
// reads and writes, and scoped environment changes.
#include "ixor_test_support.h"
#include "os.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>
#include <utility>

// Paths travel as UTF-8 strings, as the libraries under test take them,
// and become paths through fs::u8path.
namespace fs = std::filesystem;

namespace ixor_test {
namespace {

// A function-local map: registrations run during static initialisation of
// other files, in an order nobody controls.
std::map<std::string, ChildMain> &child_modes()
{
    static std::map<std::string, ChildMain> modes;
    return modes;
}

}  // namespace

std::string self_path() { return ixor::os::process_path(ixor::os::current_pid()).value(); }

int run_child_mode(const std::vector<std::string> &args)
{
    const auto it = args.size() < 3 ? child_modes().end() : child_modes().find(args[2]);
    if (it == child_modes().end()) {
        std::fprintf(stderr, "unknown child mode %s\n", args.size() < 3 ? "" : args[2].c_str());
        return 2;
    }
    return it->second(std::vector<std::string>(args.begin() + 3, args.end()));
}

bool register_child_mode(const char *name, ChildMain fn)
{
    return child_modes().emplace(name, fn).second;
}

TempDir::TempDir()
{
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    std::ostringstream name;
    name << "ixor-test-" << std::hex << random() << random() << "-" << counter++;
    const fs::path dir = fs::temp_directory_path() / name.str();
    if (!fs::create_directory(dir))
        throw std::runtime_error("cannot create " + dir.u8string());
    path_ = dir.generic_u8string();
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(fs::u8path(path_), ec);
}

std::string read_file(const std::string &path)
{
    std::ifstream in(fs::u8path(path), std::ios::binary);
    std::ostringstream bytes;
    if (in)
        bytes << in.rdbuf();
    return bytes.str();
}

void write_file(const std::string &path, const std::string &bytes)
{
    const fs::path p = fs::u8path(path);
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
    return fs::exists(fs::u8path(path), ec);
}

bool lock_free(const std::string &lock_path)
{
    const ixor::os::LockHandle lock = ixor::os::open_lock_file(lock_path);
    const bool free = ixor::os::try_lock(lock);
    if (free)
        ixor::os::unlock(lock);
    ixor::os::close_lock_file(lock);
    return free;
}

ScopedEnv::ScopedEnv(const char *name, const char *value)
    : name_(name), old_(ixor::os::get_env(name))
{
    ixor::os::set_env(name, value);
}

ScopedEnv::~ScopedEnv() { ixor::os::set_env(name_.c_str(), old_ ? old_->c_str() : nullptr); }

uint16_t closed_port()
{
    const Listener gone;
    return gone.port();
}

FilledQueue::FilledQueue(uint16_t port)
{
    for (int i = 0; i < 8; ++i)
        clients_.push_back(connect_nowait(port));
}

FilledQueue::~FilledQueue()
{
    for (const ixor::os::SocketHandle client : clients_)
        if (client != ixor::os::no_socket)
            ixor::os::close_socket(client);
}

Child Child::start(const std::string &mode, const std::vector<std::string> &args)
{
    std::vector<std::string> words{"--child", mode};
    words.insert(words.end(), args.begin(), args.end());
    return Child(spawn(self_path(), words, "", ""));
}

Child Child::beside(const std::string &program, const std::vector<std::string> &args,
                    const std::string &out_path, const std::string &err_path)
{
    const std::string self = self_path();
    const std::string dir = self.substr(0, self.find_last_of(ixor::os::path_separators) + 1);
    return Child(spawn(dir + program, args, out_path, err_path));
}

Child Child::at(const std::string &path, const std::vector<std::string> &args,
                const std::string &out_path, const std::string &err_path)
{
    return Child(spawn(path, args, out_path, err_path));
}

Child::Child(Child &&other) noexcept : impl_(std::exchange(other.impl_, nullptr)) {}

}  // namespace ixor_test
