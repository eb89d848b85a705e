// Agent files edited by hand into garbage, on real files: every export
// keeps to its documented result, reads stay within the caller's buffer and
// answer what the file holds, and a call touches no section but its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <random>
#include <vector>

#include "ixor_ipc.h"
#include "replay.h"

namespace {

using ixor_test::AgentRoot;
using ixor_test::ini_value;

// Reads into exact-size heap buffers: never past the size, always
// terminated, a prefix of `stored`; untouched when nothing is stored.
void expect_bounded(const std::string &stored, const std::function<int(char *, int)> &read)
{
    for (size_t size : {size_t{1}, size_t{7}, stored.size() + 1}) {
        std::vector<char> addr(size, '#');
        ASSERT_EQ(read(addr.data(), static_cast<int>(size)), 0);
        const std::string expected =
            stored == "<absent>" ? std::string(size, '#') : stored.substr(0, size - 1) + '\0';
        EXPECT_EQ(std::string(addr.data(), expected.size()), expected) << "size " << size;
    }
}

// What the exports read answers what the file holds, within the caller's
// buffer.
void expect_reads(const AgentRoot &agent)
{
    expect_bounded(ini_value(agent.registrations(), "G", "addr"), [](char *addr, int size) {
        return ixor_get_ipcproxy_addrport("G", addr, size, nullptr, nullptr);
    });
    expect_bounded(ini_value(agent.ipc("connect.ini"), "connect", "ip"), [](char *addr, int size) {
        return ixor_get_ipcproxy_connectaddr(addr, size, nullptr);
    });
    EXPECT_EQ(ixor_get_ipcproxy_localport(),
              std::atoi(ini_value(agent.ipc("server_port.ini"), "local", "ipc_port").c_str()));
}

// P registers, changes its uid away and goes; no other section moves.
void expect_own_section_only(const AgentRoot &agent)
{
    auto others = ixor_test::registrations(agent.registrations());
    for (const char *uid : {"3", static_cast<const char *>(nullptr)}) {
        EXPECT_EQ(ixor_change_ipcproxy_addrport("P", "20", "127.1.1.1", "81", uid), 0);
        char addr[16] = "";
        int port = 0;
        int got = -1;
        EXPECT_EQ(ixor_get_ipcproxy_addrport("P", addr, sizeof addr, &port, &got), 0);
        EXPECT_EQ(std::string(addr) + ":" + std::to_string(port) + " " + std::to_string(got),
                  uid ? "127.1.1.1:81 3" : "127.1.1.1:81 0");
    }
    EXPECT_EQ(ixor_remove_product_config("P"), 0);
    EXPECT_EQ(ixor_remove_product_config("nothing"), 0);
    others.erase("P");
    EXPECT_EQ(ixor_test::registrations(agent.registrations()), others);
}

// Puts the text in place of every file the exports read, and runs every
// export on it.
void exercise(const AgentRoot &agent, const std::string &text, int round)
{
    SCOPED_TRACE("file of " + std::to_string(text.size()) +
                 " bytes: " + ::testing::PrintToString(text.substr(0, 80)));
    const std::string runtime = text + "\n[connect]\nip=" + std::string(round, 'i') +
                                "\n[local]\nipc_port=" + std::to_string(round);
    ixor_test::write_file(agent.registrations(), text);
    ixor_test::write_file(agent.ipc("connect.ini"), runtime);
    ixor_test::write_file(agent.ipc("server_port.ini"), runtime);
    expect_reads(agent);
    std::remove(agent.proxy_conf().c_str());  // so that every round writes one
    EXPECT_EQ(regenerate_ipc_proxy_conf_restart(), 0);
    expect_own_section_only(agent);
}

// Pieces a hand edit leaves behind. None holds a ";" outside a comment
// line, so no address list ever reaches the probe.
// clang-format off
const char *const fragments[] = {
    "[G]\n", "[HVK]\npriority=100\naddr=127.6.6.6\nport=80\n", "[", "]", "=", "\r", "\r\n", "\n",
    "priority=", "addr=", "port=", "uid=", "[]\n", "[count]\n", "  [P]  \n", "\n; note\n",
    "\n# note\n", "\xef\xbb\xbf", "[H\rX]\n", "k\r=v\n", "\t=\n", "priority=99999999999\n",
    "port=-7\n", "[P]\naddr=127.0.0.5\nport=8\n"};
// clang-format on

std::string garbage(std::mt19937 &random)
{
    std::uniform_int_distribution<int> pieces(0, 60);
    std::uniform_int_distribution<size_t> pick(0, std::size(fragments) - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text;
    for (int n = pieces(random); n > 0; n--) {
        if (byte(random) < 128) {
            text += fragments[pick(random)];
            continue;
        }
        for (int len = byte(random) % 40; len > 0; len--) {
            const char c = static_cast<char>(byte(random));
            text += c == ';' ? '\0' : c;
        }
    }
    return text;
}

TEST(HandEditedFiles, RandomGarbage)
{
    AgentRoot agent;
    agent.register_product("P");
    std::mt19937 random(7);
    for (int round = 0; round < 150; round++) {
        exercise(agent, garbage(random), round);
    }
}

// Named apart, so that slow tools can leave these out.
TEST(HandEditedFiles, ExtremeShapes)
{
    AgentRoot agent;
    agent.register_product("P");
    std::string many;
    for (int i = 0; i < 20000; i++) {
        many += "[s" + std::to_string(i) + "]\npriority=" + std::to_string(i % 100) +
                "\naddr=10.0.0.1\nport=80\n";
    }
    for (const std::string &shape :
         {many, std::string(1 << 20, 'x'), "[G]\naddr=" + std::string(1 << 20, 'y') + "\n",
          std::string(64 * 1024, '['), std::string(64 * 1024, '\r'),
          std::string(64 * 1024, '\0')}) {
        exercise(agent, shape, 300);
    }
}

}  // namespace
