// Hostile texts in every argument of the exports, and agent files edited by
// hand into garbage: every call does exactly what the model says or fails
// and leaves the file as it was, lookups stay within the caller's buffer,
// other sections keep their registrations, and no "HVK" section is forged.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <utility>
#include <vector>

#include "agent_root.h"
#include "ixor_ipc.h"
#include "ixoraux.h"
#include "registration_model.h"

namespace {

using ixor_test::Change;

// Hostile texts shortened and escaped for failure messages.
std::string printable(const std::string &text)
{
    return ::testing::PrintToString(text.substr(0, 80)) +
           (text.size() > 80 ? "...(" + std::to_string(text.size()) + " bytes)" : "");
}

// Reads into exact-size heap buffers: never past the size, always
// terminated, a prefix of `stored`; untouched when nothing is stored.
void expect_bounded(const std::string &stored, const std::vector<size_t> &sizes,
                    const std::function<int(char *, int)> &read)
{
    for (size_t size : sizes) {
        std::vector<char> addr(size, '#');
        if (read(addr.data(), static_cast<int>(size)) != 0) {
            continue;
        }
        if (stored == "<absent>") {
            EXPECT_EQ(std::string(addr.begin(), addr.end()), std::string(size, '#'));
            continue;
        }
        ASSERT_NE(std::memchr(addr.data(), '\0', size), nullptr) << "size " << size;
        EXPECT_EQ(std::string(addr.data()), stored.substr(0, size - 1)) << "size " << size;
    }
}

// An agent root with two registrations that hostile calls must never touch:
// G, the winner (priority 100, first in the file, one address, so no probe
// ever runs), and B.
class Hostile : public ::testing::Test {
protected:
    void SetUp() override
    {
        agent.register_product("G");
        agent.register_product("B");
        ASSERT_EQ((Change{"G", "100", "127.0.0.1", "9", "1"}.call()), 0);
        ASSERT_EQ((Change{"B", "30", "127.0.0.2", "80", std::nullopt}.call()), 0);
    }

    void lookup_bounded(const std::string &code)
    {
        const std::string stored =
            ixor_test::ini_value(agent.registrations(), code.c_str(), "addr");
        expect_bounded(stored, {1, 2, 7, 260, stored.size() + 1}, [&](char *addr, int size) {
            int port = -1;
            int uid = -1;
            return ixor_get_ipcproxy_addrport(code.c_str(), addr, size, &port, &uid);
        });
    }

    // A change (registered with the agent when it accepts the code), or the
    // removal of its code, compared with the model; what is stored reads
    // back whole, whatever bytes it holds.
    void attempt(const Change &change, bool remove = false)
    {
        const std::string &code = change.code;
        SCOPED_TRACE((remove ? "remove " : "change ") + printable(code) + " / " +
                     printable(change.priority) + " / " + printable(change.addr) + " / " +
                     printable(change.port) + " / " +
                     (change.uid ? printable(*change.uid) : "null"));
        if (!remove) {
            add_product_register(code.c_str());
        }
        const bool registered = is_product_register(code.c_str()) == 1;
        const std::optional<std::string> before = ixor_test::file_text(agent.registrations());
        auto others = ixor_test::registrations(agent.registrations());
        const std::string model = scratch.file("model.eni");
        const std::optional<std::string> expected =
            remove ? ixor_test::expected_after_remove(before, code, model)
                   : ixor_test::expected_after_change(before, change, registered, model);
        const int rc = remove ? ixor_remove_product_config(code.c_str()) : change.call();
        EXPECT_EQ(rc, expected ? 0 : -1);
        EXPECT_EQ(ixor_test::file_text(agent.registrations()), expected ? expected : before);
        auto after = ixor_test::registrations(agent.registrations());
        if (others.count("HVK") == 0) {
            EXPECT_EQ(after.count("HVK"), 0u) << "a forged HVK section";
        }
        // Only the code's own section may change; a removal takes it away.
        others.erase(code);
        if (!remove || rc != 0) {
            after.erase(code);
        }
        EXPECT_EQ(after, others) << "another section changed, appeared or went";
        lookup_bounded(code);
        if (rc == 0 && !remove) {
            int port = -1;
            EXPECT_EQ(ixor_test::ini_value(agent.registrations(), code.c_str(), "addr"),
                      change.addr);
            EXPECT_EQ(ixor_get_ipcproxy_addrport(code.c_str(), nullptr, 0, &port, nullptr), 0);
            EXPECT_EQ(port, std::atoi(change.port.c_str()));
        }
    }

    // Puts the text in place of the registration file and runs every
    // export on it.
    void exercise(const std::string &text)
    {
        SCOPED_TRACE("file of " + std::to_string(text.size()) + " bytes: " + printable(text));
        ixor_test::write_file(agent.registrations(), text);
        lookup_bounded("G");
        lookup_bounded("HVK");
        // Without the configuration of the round before, every round writes one.
        std::remove(agent.proxy_conf().c_str());
        EXPECT_EQ(regenerate_ipc_proxy_conf_restart(), 0);
        attempt(Change{"P", "20", "127.1.1.1", "81", "3"});
        attempt(Change{"P", "20", "127.1.1.1", "81", std::nullopt});
        attempt_remove("P");
        attempt_remove("nothing");
    }

    void attempt_remove(const std::string &code)
    {
        attempt(Change{code, "", "", "", std::nullopt}, true);
    }

    ixor_test::AgentRoot agent;
    ixor_test::TempDir scratch;
};

const std::string big(64 * 1024, 'a');
const std::string forged = "\n[HVK]\npriority=100\naddr=6.6.6.6\nport=80\n";

// Every byte from `first` up: control characters, INI syntax, UTF-8 lead
// and continuation bytes.
std::string bytes_from(int first)
{
    std::string bytes;
    for (int c = first; c < 256; c++) {
        bytes += static_cast<char>(c);
    }
    return bytes;
}

// Texts that break out of a value, a key or a section header when written
// without care, and texts a reader would trim or cut.
std::vector<std::string> hostile_texts(std::vector<std::string> extra)
{
    extra.insert(extra.end(),
                 {"",        "\r",          "\n",          "\r\n",        "a\rb",   "a\nb",
                  forged,    "x" + forged,  "[HVK]",       "HVK]",        "]HVK",   "[",
                  "]",       "=",           ";",           "a=b",         "a;b;c",  ";x",
                  "#x",      " lead",       "trail ",      "\t",          "[]",     bytes_from(1),
                  bytes_from(0x80), big,    big + forged,  std::string(64 * 1024, '\n')});
    return extra;
}

TEST_F(Hostile, EveryArgumentOfAChange)
{
    const Change valid{"H", "10", "127.9.9.9", "8080", "5"};
    const std::pair<std::string Change::*, std::vector<std::string>> fields[] = {
        {&Change::code,
         {"hvk", "HVK ", " HVK", "count", "L\xc3\xa9on", "a]b", "a[b", std::string(256, 'c'),
          std::string(257, 'c')}},
        {&Change::priority,
         {"100", "101", "-1", "-0", "+100", " 7", "50;", "50]", "50\n[HVK]", "0x10", "4294967296",
          "-4294967295", "99999999999999999999", std::string(64 * 1024, '0') + "50",
          std::string(64 * 1024, '9')}},
        {&Change::addr, {}},
        {&Change::port,
         {"65534", "65535", "0", "-1", " 80", "+80", "80;x", "80=", "80]", "80\n[HVK]", "80\r",
          "4294967297", "-4294967295", std::string(64 * 1024, '8'), "80" + big}}};
    for (const auto &[field, extra] : fields) {
        for (const std::string &text : hostile_texts(extra)) {
            Change change = valid;
            change.*field = text;
            attempt(change);
            if (field == &Change::code) {
                attempt_remove(text);
            }
        }
    }
    for (const std::string &uid : hostile_texts({})) {
        attempt(Change{"H", valid.priority, valid.addr, valid.port, uid});
        attempt(Change{"H", valid.priority, valid.addr, valid.port, std::nullopt});
    }
    // Registered with the agent, HVK is refused after the file was locked
    // and loaded; last, since it stops every later call's apply step.
    for (const std::string &addr : {std::string("6.6.6.6"), forged, big}) {
        attempt(Change{"HVK", "100", addr, "80", "1"});
    }
    EXPECT_EQ(is_running_hvk(), 1);
}

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

// Named apart, so that slow tools can leave out the extreme shapes.
class HandEditedFiles : public Hostile {};

TEST_F(HandEditedFiles, RandomGarbage)
{
    std::mt19937 random(7);
    for (int round = 0; round < 150; round++) {
        exercise(garbage(random));
    }
}

TEST_F(HandEditedFiles, ExtremeShapes)
{
    std::string many;
    for (int i = 0; i < 20000; i++) {
        many += "[s" + std::to_string(i) + "]\npriority=" + std::to_string(i % 100) +
                "\naddr=10.0.0." + std::to_string(i % 250) + "\nport=80\n";
    }
    for (const std::string &shape :
         {std::string(), std::string(1 << 20, 'x'),
          "[G]\naddr=" + std::string(1 << 20, 'y') + "\npriority=100\nport=9\n",
          std::string(64 * 1024, '['), std::string(64 * 1024, '\r'),
          std::string(64 * 1024, '\0'), many}) {
        exercise(shape);
    }
}

// The runtime files the proxy writes, in garbage: the queries stay within
// the caller's buffer and answer what the garbage holds, or 0.
TEST_F(Hostile, RuntimeFilesInGarbage)
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
        expect_bounded(ixor_test::ini_value(agent.ipc("connect.ini"), "connect", "ip"),
                       {1, 3, 16, 260}, [](char *addr, int size) {
                           int port = -1;
                           EXPECT_EQ(ixor_get_ipcproxy_connectaddr(addr, size, &port), 0);
                           return 0;
                       });
        // The garbage before it may open [local] with a port of its own;
        // the last value in the file counts.
        const std::string port =
            ixor_test::ini_value(agent.ipc("server_port.ini"), "local", "ipc_port");
        EXPECT_EQ(ixor_get_ipcproxy_localport(), std::atoi(port.c_str()));
    }
}

}  // namespace
