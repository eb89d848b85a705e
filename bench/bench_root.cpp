#include "bench_root.h"

#include <cstdio>
#include <cstdlib>

#include "harness.h"
#include "ixorbase.h"

namespace ixor_bench {
namespace {

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

BenchDir::BenchDir()
{
    const char *dir = std::getenv("IXOR_BENCH_DIR");
    if (dir && *dir)
        setenv("TMPDIR", dir, 1);
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
    save(agent, home() + "/config/product_register.eni");
    save(endpoints, registrations());
}

}  // namespace ixor_bench
