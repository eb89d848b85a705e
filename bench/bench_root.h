// An agent root of its own in /tmp for the benchmarks: application home,
// the proxy's start-up description, a shared log, short pauses, and any
// number of registered products written in one go.
#ifndef IXOR_BENCH_ROOT_H
#define IXOR_BENCH_ROOT_H

#include <string>

namespace ixor_bench {

class BenchRoot {
public:
    BenchRoot();
    ~BenchRoot();
    BenchRoot(const BenchRoot &) = delete;
    BenchRoot &operator=(const BenchRoot &) = delete;

    std::string apphome_ini() const { return root_ + "/ixor_apphome.ini"; }
    std::string ipc(const std::string &name) const;
    std::string registrations() const { return ipc("ixor_ipcproxy_pre.eni"); }

    // Registers products "P00000".."P<count-1>" with the agent and stores an
    // endpoint for each: P00000 wins with priority 100 on 127.0.0.1, the
    // others sit at priorities 1..99 on loopback addresses that are never
    // contacted (a single address is never probed, and they never win).
    // Files are written whole, since adding them one by one costs O(n^2).
    void populate(int count) const;

private:
    std::string root_;
};

// The code of the i-th product of populate().
std::string product_code(int i);

}  // namespace ixor_bench

#endif
