// A scratch folder per fuzzing process, with the environment that keeps the
// platform libraries' logs and pauses inside it.
#ifndef IXOR_FUZZ_SCRATCH_H
#define IXOR_FUZZ_SCRATCH_H

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "ixorbase.h"

namespace ixor_fuzz {

// Stops the run so that libFuzzer records the input.
[[noreturn]] inline void fail(const char *what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// Created on first use below TMPDIR; logs go there at level 0 and pauses
// last a millisecond.
inline const std::string &scratch_dir()
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

inline void write_bytes(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace ixor_fuzz

#endif
