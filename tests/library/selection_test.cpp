// Choosing the winning registration over realistic registration files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "fake_platform.h"
#include "ixor_ipc_internal.h"

namespace {

ixor_ipcproxy_selection select_over(const std::string &text)
{
    fake::reset();
    fake::put_file("/reg.eni", text);
    ixor_ini *ini = ixor_ini_file_load("/reg.eni");
    ixor_ipcproxy_selection selection;
    std::memset(&selection, 0, sizeof selection);
    ixor_ini_file_foreach(ini, &selection, ixor_select_section_cb);
    ixor_ini_file_free(ini);
    return selection;
}

TEST(Selection, WinnerCountAndWarnings)
{
    const std::string h300(300, 'h');
    struct Case {
        std::string file;
        std::string addr;
        int port, uid, priority, count;
        std::vector<std::string> warnings;
    };
    const Case cases[] = {
        // A tie goes to the first section visited.
        {"[a]\npriority=10\naddr=A\nport=1\n[b]\npriority=50\naddr=B\nport=2\nuid=5\n"
         "[c]\npriority=50\naddr=C\nport=3\n",
         "B", 2, 5, 50, 3, {}},
        // An invalid section does not raise the bar; after the winner it is not looked at.
        {"[a]\npriority=90\nport=1\n[b]\npriority=40\naddr=B\nport=2\n", "B", 2, 0, 40, 2,
         {"skipping invalid addr config in section a\n"}},
        {"[a]\npriority=90\naddr=A\nport=1\n[b]\npriority=40\nport=2\n", "A", 1, 0, 90, 2, {}},
        {"[a]\npriority=90\naddr=A\nport=0\n[b]\npriority=10\naddr=B\nport=abc\n"
         "[c]\npriority=5\naddr=C\nport=7\n",
         "C", 7, 0, 5, 3,
         {"skipping invalid port config in section a\n",
          "skipping invalid port config in section b\n"}},
        // "HVK" neither wins nor counts; priority 0 never wins.
        {"[HVK]\npriority=100\naddr=H\nport=1\n", "", 0, 0, 0, 0, {}},
        {"[HVK]\npriority=100\naddr=H\nport=1\n[hvk]\npriority=3\naddr=L\nport=4\n", "L", 4, 0,
         3, 1, {}},
        {"[a]\npriority=0\naddr=A\nport=1\n", "", 0, 0, 0, 1, {}},
        {"[a]\npriority=-5\naddr=A\nport=1\n[b]\npriority=x9\naddr=B\nport=1\n"
         "[c]\naddr=C\nport=1\n[d]\npriority=100\naddr=D\nport=65534\n"
         "[e]\npriority=100abc\naddr=E\nport=1\n",
         "D", 65534, 0, 100, 5, {}},
        {"", "", 0, 0, 0, 0, {}},
        {"[a]\n[b]\nx=1\n", "", 0, 0, 0, 2, {}},
        // A long address is cut to the field.
        {"[a]\npriority=1\naddr=" + h300 + "\nport=1\n", h300.substr(0, 259), 1, 0, 1, 1, {}},
    };
    for (const Case &c : cases) {
        ixor_ipcproxy_selection s = select_over(c.file);
        EXPECT_EQ(std::string(s.addr), c.addr) << c.file;
        EXPECT_EQ(s.port, c.port) << c.file;
        EXPECT_EQ(s.uid, c.uid) << c.file;
        EXPECT_EQ(s.priority, c.priority) << c.file;
        EXPECT_EQ(s.section_count, c.count) << c.file;
        EXPECT_EQ(fake::tails(), c.warnings) << c.file;
    }
}

// For random files the winner is the first valid section among those of the
// highest priority above 0, and every section but "HVK" counts.
TEST(Selection, FirstOfHighestPriorityWinsInRandomFiles)
{
    std::mt19937 rng(20261206);
    for (int round = 0; round < 500; round++) {
        struct Sec {
            std::string name;
            int priority;
            bool valid;
        };
        std::vector<Sec> secs;
        std::string text;
        int best = 0, count = 0;
        for (int i = 0, n = int(rng() % 12); i < n; i++) {
            Sec s{rng() % 10 == 0 ? "HVK" : "p" + std::to_string(i), int(rng() % 7) - 1,
                  rng() % 4 != 0};
            text += "[" + s.name + "]\npriority=" + std::to_string(s.priority) + "\n";
            if (s.valid) {
                text += "addr=" + s.name + "\nport=" + std::to_string(1 + i) + "\n";
            } else {
                text += rng() % 2 ? "port=1\n" : "addr=x\nport=0\n";
            }
            s.valid = s.valid && s.name != "HVK";
            count += s.name != "HVK";
            best = s.valid ? std::max(best, s.priority) : best;
            secs.push_back(s);
        }
        auto first = std::find_if(secs.begin(), secs.end(), [best](const Sec &s) {
            return s.valid && best > 0 && s.priority == best;
        });
        std::string winner = first == secs.end() ? "" : first->name;
        ixor_ipcproxy_selection got = select_over(text);
        ASSERT_EQ(std::string(got.addr), winner) << text;
        ASSERT_EQ(got.priority, best) << text;
        ASSERT_EQ(got.section_count, count) << text;
    }
}

}  // namespace
