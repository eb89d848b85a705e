#include "fuzz_scratch.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "ixorbase.h"

namespace ixor_fuzz {

const std::string &scratch_dir()
{
    static const std::string dir = [] {
        const char *tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/ixor_fuzz_XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            fail("no scratch folder");
        }
        setenv("IXOR_LOG_DIR", (pattern + "/logs").c_str(), 1);
        setenv("IXOR_LOG_LEVEL", "0", 1);
        setenv("IXOR_SLEEP_UNIT_MS", "1", 1);
        ixor_autolog_init((pattern + "/logs").c_str(), 1);
        return pattern;
    }();
    return dir;
}

void write_bytes(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string read_bytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void fail(const char *what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

}  // namespace ixor_fuzz
