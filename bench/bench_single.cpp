// One product's lookup and change against the same file I/O done by hand.
#include "bench_root.h"
#include "changer.h"
#include "raw_io.h"
#include "sections.h"
#include "sqlite_store.h"

namespace ixor_bench {
namespace {

void lookup_figures(const BenchRoot &root)
{
    const std::string file = root.registrations();
    print_row("lookup",
              compare([] { lookup(product_code(1)); }, [&] { raw_locked_read(file); }, 31, 200),
              "open+flock+read+close", at_most(1.2));
    print_row("lookup",
              compare([] { lookup(product_code(1)); },
                      [&] { raw_frame_read(root.apphome_ini(), file); }, 31, 200),
              "same + home, stat, .lock", no_target());
}

// The product under the winner: the apply step stops after the selection,
// so the call costs the registration's save and no more.
void registration_change_figures(const BenchRoot &root)
{
    Changer change(product_code(1), "2");
    const std::string raw = root.ipc("raw.eni");
    const std::string bytes = file_bytes(root.registrations());
    print_row("change, registration save only",
              compare(
                  change, [&] { raw_replace(raw, bytes, false); }, 25, 2),
              "tmp+fsync+rename", at_most(1.3));
    print_row("change, registration save only",
              compare(
                  change, [&] { raw_replace(raw, bytes, true); }, 25, 2),
              "same + fsync of dir", no_target());
}

// The winner itself: the registration, the proxy configuration and the
// proxy's process record are all written.
void full_change_figures(const BenchRoot &root)
{
    Changer change(product_code(0), "100");
    const std::string raw = root.ipc("raw.eni");
    const std::string bytes = file_bytes(root.registrations());
    print_row("change of the winner, full apply step",
              compare(
                  change, [&] { raw_replace(raw, bytes, false); }, 25, 2),
              "tmp+fsync+rename", at_most(1.3));
    print_row("change of the winner, full apply step",
              compare(
                  change,
                  [&] {
                      raw_replace(raw, bytes, true);
                      raw_replace(raw, bytes, false);
                      raw_replace(raw, bytes, true);
                  },
                  25, 2),
              "3 writes as the call does", no_target());
    require(
        file_bytes(root.ipc("ixor_ipcproxy.ini")).find(std::string("port=") + change.last_port()) !=
            std::string::npos,
        "the proxy configuration follows the winner");
}

void sqlite_figures(const BenchRoot &root)
{
    const std::string raw = root.ipc("raw.eni");
    const std::string bytes = file_bytes(root.registrations());
    for (const char *sync : {"FULL", "NORMAL"}) {
        SqliteStore store(root.ipc(std::string("bench_") + sync + ".db"), sync, 2);
        int port = 7000;
        print_row(std::string("SQLite WAL UPDATE, synchronous=") + sync,
                  compare([&] { store.change(product_code(1), ++port); },
                          [&] { raw_replace(raw, bytes, false); }, 25, 2),
                  "tmp+fsync+rename", no_target());
    }
}

}  // namespace

void run_single()
{
    print_section("one product (2 registered)");
    BenchRoot root;
    root.populate(2);
    lookup_figures(root);
    registration_change_figures(root);
    full_change_figures(root);
    sqlite_figures(root);
}

}  // namespace ixor_bench
