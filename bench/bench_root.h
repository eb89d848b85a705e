// The agent root of the tests (application home, the proxy's start-up
// description, a shared log, short pauses) for the benchmarks, below
// IXOR_BENCH_DIR when it is set, with any number of registered products
// written in one go.
#ifndef IXOR_BENCH_ROOT_H
#define IXOR_BENCH_ROOT_H

#include <string>

#include "agent_root.h"

namespace ixor_bench {

// Points the system's temporary folder at IXOR_BENCH_DIR (e.g. a tmpfs, to
// take the disk out of the figures) before the agent root is made there.
struct BenchDir {
    BenchDir();
};

class BenchRoot : BenchDir, public ixor_test::AgentRoot {
public:
    std::string apphome_ini() const { return root() + "/ixor_apphome.ini"; }

    // Registers products "P00000".."P<count-1>" with the agent and stores an
    // endpoint for each: P00000 wins with priority 100 on 127.0.0.1, the
    // others sit at priorities 1..99 on loopback addresses that are never
    // contacted (a single address is never probed, and they never win).
    // Files are written whole, since adding them one by one costs O(n^2).
    void populate(int count) const;
};

// The code of the i-th product of populate().
std::string product_code(int i);

}  // namespace ixor_bench

#endif
