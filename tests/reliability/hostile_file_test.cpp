// Registration and runtime files edited by hand into garbage: every export
// still works within its bounds, changes only its own section, and never
// lets a hand-written "HVK" section win.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "hostile_root.h"
#include "ixor_ipc.h"

namespace {

using ixor_test::Change;

// Pieces a hand edit leaves behind. None holds a ";" outside a comment
// line, so no address list ever reaches the probe.
const char *const fragments[] = {
    "[G]\n", "[HVK]\npriority=100\naddr=6.6.6.6\nport=80\n", "[", "]", "=", "\r", "\r\n",
    "\n", "priority=", "addr=", "port=", "uid=", "[]\n", "[count]\n", "  [P]  \n",
    "\n; note\n", "\n# note\n", "\xef\xbb\xbf", "[H\rX]\n", "k\r=v\n", "\t=\n",
    "priority=99999999999\n", "port=-7\n"};

std::string garbage(std::mt19937 &random)
{
    std::uniform_int_distribution<int> pieces(0, 60);
    std::uniform_int_distribution<int> pick(0, sizeof fragments / sizeof *fragments - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text;
    for (int n = pieces(random); n > 0; n--) {
        if (byte(random) < 128) {
            text += fragments[pick(random)];
            continue;
        }
        for (int len = byte(random) % 40; len > 0; len--) {
            char c = static_cast<char>(byte(random));
            text += c == ';' ? '\0' : c;
        }
    }
    return text;
}

class HandEditedFiles : public ixor_test::HostileRoot {
protected:
    // Puts the text in place of the registration file and notes its sections.
    void hand_edit(const std::string &text)
    {
        ixor_test::write_file(agent.registrations(), text);
        hand_written.clear();
        auto sections = ixor_test::section_names(agent.registrations());
        if (sections) {
            hand_written.insert(sections->begin(), sections->end());
        }
    }

    bool another_section_has_hvk_addr() const
    {
        for (const std::string &name : hand_written) {
            if (name != "HVK" &&
                ixor_test::ini_value(agent.registrations(), name.c_str(), "addr") == "6.6.6.6") {
                return true;
            }
        }
        return false;
    }

    void exercise_exports()
    {
        lookup_bounded("G");
        lookup_bounded("HVK");
        // A stale configuration of the round before would hide the winner.
        std::remove(agent.proxy_conf().c_str());
        EXPECT_EQ(regenerate_ipc_proxy_conf_restart(), 0);
        // The proxy never follows a hand-written HVK section: its address
        // shows up only when a stray key line gave it to another section.
        if (ixor_test::ini_value(agent.proxy_conf(), "config", "addr") == "6.6.6.6") {
            EXPECT_TRUE(another_section_has_hvk_addr());
        }
        attempt_change(Change{"P", "20", "127.1.1.1", "81", "3"});
        attempt_change(Change{"P", "20", "127.1.1.1", "81", std::nullopt});
        attempt_remove("P");
        attempt_remove("nothing");
    }
};

TEST_F(HandEditedFiles, RandomGarbage)
{
    agent.register_product("P");
    std::mt19937 random(7);
    for (int round = 0; round < 150; round++) {
        SCOPED_TRACE("round " + std::to_string(round));
        hand_edit(garbage(random));
        exercise_exports();
    }
}

TEST_F(HandEditedFiles, ExtremeShapes)
{
    agent.register_product("P");
    const std::string shapes[] = {
        "",
        std::string(1 << 20, 'x'),
        "[G]\naddr=" + std::string(1 << 20, 'y') + "\npriority=100\nport=9\n",
        std::string(64 * 1024, '[') ,
        std::string(64 * 1024, '\r'),
        std::string(64 * 1024, '\0'),
        [] {
            std::string many;
            for (int i = 0; i < 20000; i++) {
                many += "[s" + std::to_string(i) + "]\npriority=" + std::to_string(i % 100) +
                        "\naddr=10.0.0." + std::to_string(i % 250) + "\nport=80\n";
            }
            return many;
        }(),
    };
    for (const std::string &shape : shapes) {
        SCOPED_TRACE("shape of " + std::to_string(shape.size()) + " bytes");
        hand_edit(shape);
        exercise_exports();
    }
}

// A file that is not a file, or too large to load, fails every call cleanly.
TEST_F(HandEditedFiles, UnloadableRegistrationFile)
{
    agent.register_product("P");
    ixor_test::write_file(agent.registrations(), std::string((64 << 20) + 1, 'z'));
    const std::string before = ixor_test::read_file(agent.registrations());
    int port = 0;
    EXPECT_EQ(ixor_get_ipcproxy_addrport("G", nullptr, 0, &port, nullptr), -1);
    EXPECT_EQ((Change{"P", "20", "127.1.1.1", "81", "3"}.call()), -1);
    EXPECT_EQ(ixor_remove_product_config("P"), -1);
    EXPECT_EQ(regenerate_ipc_proxy_conf_restart(), -1);
    EXPECT_TRUE(ixor_test::read_file(agent.registrations()) == before);
}

// The runtime files the proxy writes, in garbage: the queries stay within
// the caller's buffer and answer numbers the garbage holds or 0.
TEST_F(HandEditedFiles, RuntimeFilesInGarbage)
{
    std::mt19937 random(11);
    for (int round = 0; round < 100; round++) {
        std::string connect = garbage(random);
        if (round % 3 == 0) {
            connect += "\n[connect]\nip=" + std::string(round * 40, 'i') + "\nport=" +
                       std::to_string(round) + "x\n";
        }
        ixor_test::write_file(agent.ipc("connect.ini"), connect);
        ixor_test::write_file(agent.ipc("server_port.ini"),
                              garbage(random) + "\n[local]\nipc_port=" + std::to_string(round));
        const std::string ip = ixor_test::ini_value(agent.ipc("connect.ini"), "connect", "ip");
        for (int size : {1, 3, 16, 260}) {
            std::vector<char> addr(static_cast<size_t>(size), '#');
            int port = -1;
            ASSERT_EQ(ixor_get_ipcproxy_connectaddr(addr.data(), size, &port), 0);
            if (ip == "<absent>") {
                EXPECT_EQ(std::string(addr.begin(), addr.end()), std::string(addr.size(), '#'));
            } else {
                ASSERT_NE(std::memchr(addr.data(), '\0', addr.size()), nullptr);
                EXPECT_EQ(std::string(addr.data()), ip.substr(0, addr.size() - 1));
            }
        }
        // The garbage before it may open [local] with a port of its own;
        // the last value in the file counts.
        std::string stored = ixor_test::ini_value(agent.ipc("server_port.ini"), "local", "ipc_port");
        EXPECT_EQ(ixor_get_ipcproxy_localport(), std::atoi(stored.c_str()));
    }
}

}  // namespace
