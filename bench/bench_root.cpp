#include "bench_root.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "harness.h"
#include "ixorbase.h"

namespace ixor_bench {
namespace {

void write_text(const std::string &path, const std::string &text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

void save(ixor_ini *ini, const std::string &path)
{
    require(ixor_ini_file_save(ini, path.c_str(), 1) == 0, "save " + path);
    ixor_ini_file_free(ini);
}

}  // namespace

std::string product_code(int i)
{
    char code[16];
    std::snprintf(code, sizeof code, "P%05d", i);
    return code;
}

BenchRoot::BenchRoot()
{
    // IXOR_BENCH_DIR picks another file system, e.g. a tmpfs to take the
    // disk out of the figures.
    const char *dir = std::getenv("IXOR_BENCH_DIR");
    std::string tmpl = std::string(dir && *dir ? dir : "/tmp") + "/ixor_bench.XXXXXX";
    require(mkdtemp(tmpl.data()) != nullptr, "temporary root in " + tmpl);
    root_ = tmpl;
    setenv("IXOR_ROOT_DIR", root_.c_str(), 1);
    setenv("IXOR_LOG_DIR", (root_ + "/logs").c_str(), 1);
    setenv("IXOR_SLEEP_UNIT_MS", "1", 1);
    write_text(apphome_ini(), "[apphome]\npath=home\n");
    write_text(ipc("ipc_proxy.eni"), "[process]\nname=ipc_proxy\ncommand=ipc_proxy --serve\n");
    // The host process registers its shared log, as product modules do.
    require(ixor_autolog_init((root_ + "/logs").c_str(), 5) == 0, "log");
}

BenchRoot::~BenchRoot()
{
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::string BenchRoot::ipc(const std::string &name) const
{
    return root_ + "/home/config/ixor_ipcproxy/" + name;
}

void BenchRoot::populate(int count) const
{
    ixor_ini *agent = ixor_ini_file_load(nullptr);
    ixor_ini *endpoints = ixor_ini_file_load(nullptr);
    for (int i = 0; i < count; i++) {
        const std::string code = product_code(i);
        const char *c = code.c_str();
        ixor_ini_file_set(agent, c, "registered", "1");
        ixor_ini_file_set_int(endpoints, c, "priority", i == 0 ? 100 : 1 + i % 99);
        const std::string addr = i == 0 ? "127.0.0.1" : "127.0." + std::to_string(i % 250) + ".1";
        ixor_ini_file_set(endpoints, c, "addr", addr.c_str());
        ixor_ini_file_set_int(endpoints, c, "port", 7000 + i % 1000);
        ixor_ini_file_set_int(endpoints, c, "uid", i);
    }
    ixor_ini_file_set_int(agent, "count", "num", count);
    save(agent, root_ + "/home/config/product_register.eni");
    save(endpoints, registrations());
}

}  // namespace ixor_bench
