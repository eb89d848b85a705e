// Choosing the winning registration over realistic registration files.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "fake_platform.h"
#include "ixor_ipc_internal.h"

namespace {

ixor_ipcproxy_selection select_over(const std::string &text)
{
    fake::put_file("/reg.eni", text);
    ixor_ini *ini = ixor_ini_file_load("/reg.eni");
    ixor_ipcproxy_selection selection;
    std::memset(&selection, 0, sizeof selection);
    ixor_ini_file_foreach(ini, &selection, ixor_select_section_cb);
    ixor_ini_file_free(ini);
    return selection;
}

struct Case {
    const char *name;
    std::string file;
    std::string addr;
    int port, uid, priority, count;
    std::vector<std::string> warnings;
};

void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }

class Selection : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override { fake::reset(); }
};

TEST_P(Selection, WinnerCountAndWarnings)
{
    const Case &c = GetParam();
    ixor_ipcproxy_selection s = select_over(c.file);
    EXPECT_EQ(std::string(s.addr), c.addr);
    EXPECT_EQ(s.port, c.port);
    EXPECT_EQ(s.uid, c.uid);
    EXPECT_EQ(s.priority, c.priority);
    EXPECT_EQ(s.section_count, c.count);
    EXPECT_EQ(fake::tails(), c.warnings);
}

const std::string kLong(300, 'h');

INSTANTIATE_TEST_SUITE_P(
    Files, Selection,
    ::testing::Values(
        Case{"TieGoesToFirstVisited",
             "[a]\npriority=10\naddr=A\nport=1\n[b]\npriority=50\naddr=B\nport=2\nuid=5\n"
             "[c]\npriority=50\naddr=C\nport=3\n",
             "B", 2, 5, 50, 3, {}},
        Case{"InvalidHigherDoesNotRaiseTheBar",
             "[a]\npriority=90\nport=1\n[b]\npriority=40\naddr=B\nport=2\n", "B", 2, 0, 40, 2,
             {"skipping invalid addr config in section a\n"}},
        Case{"InvalidAfterWinnerIsSilent",
             "[a]\npriority=90\naddr=A\nport=1\n[b]\npriority=40\nport=2\n", "A", 1, 0, 90, 2, {}},
        Case{"PortZeroIsSkipped",
             "[a]\npriority=90\naddr=A\nport=0\n[b]\npriority=10\naddr=B\nport=abc\n"
             "[c]\npriority=5\naddr=C\nport=7\n",
             "C", 7, 0, 5, 3,
             {"skipping invalid port config in section a\n",
              "skipping invalid port config in section b\n"}},
        Case{"OnlyHvk", "[HVK]\npriority=100\naddr=H\nport=1\n", "", 0, 0, 0, 0, {}},
        Case{"HvkNeverWinsNorCounts",
             "[HVK]\npriority=100\naddr=H\nport=1\n[hvk]\npriority=3\naddr=L\nport=4\n", "L", 4, 0,
             3, 1, {}},
        Case{"PriorityZeroNeverWins", "[a]\npriority=0\naddr=A\nport=1\n", "", 0, 0, 0, 1, {}},
        Case{"BoundsAndMalformedPriorities",
             "[a]\npriority=-5\naddr=A\nport=1\n[b]\npriority=x9\naddr=B\nport=1\n"
             "[c]\naddr=C\nport=1\n[d]\npriority=100\naddr=D\nport=65534\n"
             "[e]\npriority=100abc\naddr=E\nport=1\n",
             "D", 65534, 0, 100, 5, {}},
        Case{"EmptyFile", "", "", 0, 0, 0, 0, {}},
        Case{"SectionsWithoutKeysCount", "[a]\n[b]\nx=1\n", "", 0, 0, 0, 2, {}},
        Case{"LongAddressIsCutToTheField",
             "[a]\npriority=1\naddr=" + kLong + "\nport=1\n", kLong.substr(0, 259), 1, 0, 1, 1,
             {}}),
    [](const auto &info) { return std::string(info.param.name); });

// For random files the winner is the first valid section among those of the
// highest priority above 0, and every section but "HVK" counts.
TEST(SelectionProperty, FirstOfHighestPriorityWins)
{
    std::mt19937 rng(20261206);
    for (int round = 0; round < 500; round++) {
        fake::reset();
        std::string text;
        struct Sec {
            std::string name;
            int priority;
            bool valid;
        };
        std::vector<Sec> secs;
        int n = int(rng() % 12);
        for (int i = 0; i < n; i++) {
            Sec s{rng() % 10 == 0 ? "HVK" : "p" + std::to_string(i), int(rng() % 7) - 1,
                  rng() % 4 != 0};
            text += "[" + s.name + "]\npriority=" + std::to_string(s.priority) + "\n";
            if (s.valid) {
                text += "addr=" + s.name + "\nport=" + std::to_string(1 + i) + "\n";
            } else {
                text += rng() % 2 ? "port=1\n" : "addr=x\nport=0\n";
            }
            secs.push_back(s);
        }
        int best = 0;
        int count = 0;
        for (const Sec &s : secs) {
            count += s.name != "HVK";
            if (s.name != "HVK" && s.valid && s.priority > best) {
                best = s.priority;
            }
        }
        std::string winner;
        for (const Sec &s : secs) {
            if (winner.empty() && s.name != "HVK" && s.valid && best > 0 && s.priority == best) {
                winner = s.name;
            }
        }
        ixor_ipcproxy_selection got = select_over(text);
        ASSERT_EQ(std::string(got.addr), winner) << text;
        ASSERT_EQ(got.priority, best) << text;
        ASSERT_EQ(got.section_count, count) << text;
    }
}

}  // namespace
