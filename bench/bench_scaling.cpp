// Lookup, change and regeneration with 10 to 10,000 registered products:
// the cost should grow no faster than the file does.
#include <cstdio>
#include <vector>

#include "bench_root.h"
#include "changer.h"
#include "raw_io.h"
#include "sections.h"

namespace ixor_bench {
namespace {

struct Sizes {
    int products;
    int batch;  // calls per round of the reads
    int rounds;
};

struct Times {
    double lookup_us;
    double change_us;
    double regenerate_us;
};

Times measure(const Sizes &size)
{
    BenchRoot root;
    root.populate(size.products);
    const std::string file = root.registrations();
    const std::string raw = root.ipc("raw.eni");
    const std::string bytes = file_bytes(file);
    const std::string label = std::to_string(size.products) + " products, ";
    const auto read_raw = [&] { raw_locked_read(file); };

    const Comparison l =
        compare([] { lookup(product_code(1)); }, read_raw, size.rounds, size.batch);
    print_row(label + "lookup", l, "open+flock+read+close", no_target());
    const Comparison c = compare(
        Changer(product_code(1), "2"), [&] { raw_replace(raw, bytes, false); }, 15, 1);
    print_row(label + "change (registration)", c, "tmp+fsync+rename", no_target());
    const Comparison r = compare(regenerate, read_raw, size.rounds, size.batch);
    print_row(label + "regeneration", r, "open+flock+read+close", no_target());
    return {l.subject_us, c.subject_us, r.subject_us};
}

// Ten times the products should cost at most about ten times as much; a
// quadratic step would show as a hundred.
void print_growth(const char *what, double small_us, double large_us)
{
    print_value(std::string("growth x10 products, ") + what, large_us / small_us, "x", at_most(15));
}

}  // namespace

void run_scaling()
{
    print_section("scaling with the number of registered products");
    const Sizes sizes[] = {{10, 100, 31}, {100, 20, 31}, {1000, 4, 21}, {10000, 1, 15}};
    std::vector<Times> times;
    for (const Sizes &size : sizes) {
        times.push_back(measure(size));
    }
    const Times &k1 = times[2];
    const Times &k10 = times[3];
    print_growth("lookup 1,000 -> 10,000", k1.lookup_us, k10.lookup_us);
    print_growth("change 1,000 -> 10,000", k1.change_us, k10.change_us);
    print_growth("regeneration 1,000 -> 10,000", k1.regenerate_us, k10.regenerate_us);
    print_value("lookup at 10,000 products", k10.lookup_us / 1000, "ms", at_most(2.0));
}

}  // namespace ixor_bench
