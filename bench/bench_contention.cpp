// Several processes change their own products at once, against the same
// changes made one after another by a single process.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "bench_root.h"
#include "changer.h"
#include "sections.h"

namespace ixor_bench {
namespace {

const int changes_per_process = 40;
// Disk latency drifts by an order of magnitude on a shared machine, so the
// serial and parallel runs alternate, in both orders, and the median wins.
const int repeats = 5;

// Products 1..processes change while product 0 stays the winner, so the
// processes meet on the registration file and its lock.
void serial(int processes)
{
    std::vector<Changer> changers;
    for (int p = 1; p <= processes; p++) {
        changers.emplace_back(product_code(p), "2");
    }
    for (int i = 0; i < changes_per_process; i++) {
        for (Changer &change : changers) {
            change();
        }
    }
}

// Children wait at a gate (the pipe's end) so that they start together.
void parallel(int processes)
{
    int gate[2];
    require(pipe(gate) == 0, "pipe");
    std::vector<pid_t> children;
    for (int p = 1; p <= processes; p++) {
        const pid_t pid = fork();
        require(pid >= 0, "fork");
        if (pid == 0) {
            close(gate[1]);
            char byte;
            (void)!read(gate[0], &byte, 1);
            const std::string code = product_code(p);
            int failed = 0;
            for (int i = 0; i < changes_per_process; i++) {
                const char *port = i % 2 ? "7101" : "7102";
                failed += ixor_change_ipcproxy_addrport(code.c_str(), "2", "127.0.0.1", port,
                                                        nullptr) != 0;
            }
            _exit(failed == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    close(gate[0]);
    close(gate[1]);
    for (pid_t pid : children) {
        int status = 0;
        require(waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0,
                "a changing process failed");
    }
}

}  // namespace

void run_contention()
{
    print_section("processes changing their own products (40 changes each)");
    BenchRoot root;
    root.populate(9);
    for (int processes : {1, 2, 4, 8}) {
        // Microseconds per change in parallel and serially; the ratio is the
        // throughput gained, the median of the repeats is shown.
        const double calls = processes * changes_per_process;
        std::vector<Comparison> runs;
        for (int r = 0; r < repeats; r++) {
            const Op one_run = [&] { serial(processes); };
            const Op many_run = [&] { parallel(processes); };
            const bool serial_first = r % 2 == 0;
            const double first = seconds_of(serial_first ? one_run : many_run);
            const double second = seconds_of(serial_first ? many_run : one_run);
            const double one = serial_first ? first : second;
            const double many = serial_first ? second : first;
            runs.push_back({many * 1e6 / calls, one * 1e6 / calls, one / many});
        }
        std::sort(runs.begin(), runs.end(),
                  [](const Comparison &a, const Comparison &b) { return a.ratio < b.ratio; });
        print_row(std::to_string(processes) + " processes, throughput", runs[repeats / 2],
                  "serial, one process", at_least(0.8));
    }
}

}  // namespace ixor_bench
