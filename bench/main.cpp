// The benchmark run: every section, or those named on the command line
// (single, scaling, contention).
#include <cstdio>
#include <cstring>

#include "harness.h"
#include "sections.h"

int main(int argc, char **argv)
{
    struct Section {
        const char *name;
        void (*run)();
    };
    const Section sections[] = {{"single", ixor_bench::run_single},
                                {"scaling", ixor_bench::run_scaling},
                                {"contention", ixor_bench::run_contention}};
    return ixor_bench::run_benchmark([&] {
        for (const Section &section : sections) {
            bool wanted = argc < 2;
            for (int i = 1; i < argc; i++) {
                wanted = wanted || std::strcmp(argv[i], section.name) == 0;
            }
            if (wanted) {
                section.run();
            }
        }
    });
}
