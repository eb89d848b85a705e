// The parts of the benchmark run, each printing its own table.
#ifndef IXOR_BENCH_SECTIONS_H
#define IXOR_BENCH_SECTIONS_H

namespace ixor_bench {

void run_single();      // lookup and change of one product against raw file I/O
void run_scaling();     // 10 .. 10,000 registered products
void run_contention();  // 1, 2, 4 and 8 processes changing their own products

}  // namespace ixor_bench

#endif
