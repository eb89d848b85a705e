#include "harness.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace ixor_bench {
namespace {

using Clock = std::chrono::steady_clock;

int passed = 0;
int missed = 0;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double batch_us(const Op &op, int batch)
{
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < batch; i++) {
        op();
    }
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / batch;
}

const char *verdict(double value, Target target)
{
    bool ok = target.bound == Bound::at_most ? value <= target.value : value >= target.value;
    if (target.bound == Bound::none) {
        return "INFO";
    }
    (ok ? passed : missed)++;
    return ok ? "PASS" : "MISS";
}

std::string target_text(Target target, const char *unit)
{
    if (target.bound == Bound::none) {
        return "-";
    }
    char text[48];
    std::snprintf(text, sizeof text, "%s %.2f%s",
                  target.bound == Bound::at_most ? "<=" : ">=", target.value, unit);
    return text;
}

}  // namespace

Comparison compare(const Op &subject, const Op &baseline, int rounds, int batch)
{
    subject();  // warm the page cache and the log before timing
    baseline();
    std::vector<double> s, b, r;
    for (int i = 0; i < rounds; i++) {
        s.push_back(batch_us(subject, batch));
        b.push_back(batch_us(baseline, batch));
        r.push_back(s.back() / b.back());
    }
    return {median(s), median(b), median(r)};
}

double time_per_call(const Op &op, int rounds, int batch)
{
    op();
    std::vector<double> t;
    for (int i = 0; i < rounds; i++) {
        t.push_back(batch_us(op, batch));
    }
    return median(t);
}

double seconds_of(const Op &op)
{
    const Clock::time_point start = Clock::now();
    op();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void print_section(const std::string &title)
{
    std::printf("\n== %s\n%-46s %11s %11s %-24s %8s %9s %s\n", title.c_str(), "figure", "subject",
                "baseline", "baseline is", "ratio", "target", "verdict");
}

void print_row(const std::string &what, const Comparison &c, const std::string &baseline,
               Target target)
{
    std::printf("%-46s %9.1fus %9.1fus %-24s %7.2fx %9s %s\n", what.c_str(), c.subject_us,
                c.baseline_us, baseline.c_str(), c.ratio, target_text(target, "x").c_str(),
                verdict(c.ratio, target));
    std::fflush(stdout);
}

void print_value(const std::string &what, double value, const std::string &unit, Target target)
{
    std::printf("%-46s %9.2f%-2s %11s %-24s %8s %9s %s\n", what.c_str(), value, unit.c_str(), "",
                "", "", target_text(target, unit.c_str()).c_str(), verdict(value, target));
    std::fflush(stdout);
}

void print_summary() { std::printf("\n%d of %d targets met\n", passed, passed + missed); }

void require(bool ok, const std::string &what)
{
    if (!ok) {
        throw std::runtime_error(what);
    }
}

int run_benchmark(const std::function<void()> &body)
{
    try {
        body();
        print_summary();
        return 0;
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "benchmark setup failed: %s\n", failure.what());
        return 2;
    }
}

}  // namespace ixor_bench
