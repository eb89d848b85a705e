// What the fuzz targets share: one agent root for the whole process, below
// TMPDIR, that logs errors only, and the stop that makes libFuzzer keep the
// input.
#ifndef IXOR_FUZZ_SCRATCH_H
#define IXOR_FUZZ_SCRATCH_H

#include <cstdio>
#include <cstdlib>

#include "agent_root.h"

namespace ixor_fuzz {

[[noreturn]] inline void fail(const char *what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline const ixor_test::AgentRoot &agent()
{
    static const ixor_test::ScopedEnv errors_only("IXOR_LOG_LEVEL", "0");
    static const ixor_test::AgentRoot root;
    return root;
}

}  // namespace ixor_fuzz

#endif
