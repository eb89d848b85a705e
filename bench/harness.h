// Timing and the report table of the benchmarks: every figure is measured
// against a baseline in the same run and printed as a ratio to it.
#ifndef IXOR_BENCH_HARNESS_H
#define IXOR_BENCH_HARNESS_H

#include <functional>
#include <string>

namespace ixor_bench {

using Op = std::function<void()>;

// Microseconds per call of the subject and of its baseline, and the median
// of the per-round ratios. Rounds alternate the two, so drift in the
// machine (page cache, journal commits, other load) hits both alike.
struct Comparison {
    double subject_us;
    double baseline_us;
    double ratio;
};

Comparison compare(const Op &subject, const Op &baseline, int rounds, int batch);

// Median microseconds per call over rounds of batch calls.
double time_per_call(const Op &op, int rounds, int batch);

// Wall-clock seconds of one run of op.
double seconds_of(const Op &op);

enum class Bound { at_most, at_least, none };

struct Target {
    Bound bound;
    double value;
};

inline Target at_most(double v) { return {Bound::at_most, v}; }
inline Target at_least(double v) { return {Bound::at_least, v}; }
inline Target no_target() { return {Bound::none, 0}; }

// One line of the table; the verdict is PASS, MISS or INFO (no target).
void print_section(const std::string &title);
void print_row(const std::string &what, const Comparison &c, const std::string &baseline,
               Target target);
// A figure that is not a ratio (an absolute time, a growth factor).
void print_value(const std::string &what, double value, const std::string &unit, Target target);
// Counts of verdicts so far, for the closing line.
void print_summary();

// Ends the run with a message when a call the benchmark relies on fails,
// so that no figure is ever taken of an operation that did not succeed.
void require(bool ok, const std::string &what);

// Runs a benchmark's body and prints the closing line; 0, or 2 after a
// failed require, once the stack has unwound so that the children and
// temporary roots of the run are gone too.
int run_benchmark(const std::function<void()> &body);

}  // namespace ixor_bench

#endif
