// Hostile texts in every argument of the exports: line breaks, INI syntax,
// binary bytes, 64 KB texts. Every call either does exactly what the model
// says or fails and leaves the file as it was; no section is forged.
#include <gtest/gtest.h>

#include <vector>

#include "hostile_root.h"
#include "ixor_ipc.h"

namespace {

using ixor_test::Change;

const std::string big(64 * 1024, 'a');

// Every byte but NUL, in order: control characters, INI syntax, UTF-8 lead
// and continuation bytes.
std::string all_bytes()
{
    std::string bytes;
    for (int c = 1; c < 256; c++) {
        bytes += static_cast<char>(c);
    }
    return bytes;
}

std::string high_bytes()
{
    std::string bytes;
    for (int c = 0x80; c < 256; c++) {
        bytes += static_cast<char>(c);
    }
    return bytes;
}

const std::string forged = "\n[HVK]\npriority=100\naddr=6.6.6.6\nport=80\n";

// Texts that break out of a value, a key or a section header when written
// without care, and texts a reader would trim or cut.
std::vector<std::string> hostile_texts()
{
    return {"",        "\r",          "\n",          "\r\n",       "a\rb",      "a\nb",
            forged,    "x" + forged,  "[HVK]",       "HVK]",       "]HVK",      "[",
            "]",       "=",           ";",           "a=b",        "a;b;c",     ";x",
            "#x",      " lead",       "trail ",      "\t",         "[]",        all_bytes(),
            high_bytes(), big,        big + forged,  std::string(64 * 1024, '\n')};
}

class HostileArguments : public ixor_test::HostileRoot {};

TEST_F(HostileArguments, ProductCodes)
{
    std::vector<std::string> codes = hostile_texts();
    for (const char *code : {"hvk", "HVK ", " HVK", "count", "L\xc3\xa9on", "a]b", "a[b"}) {
        codes.push_back(code);
    }
    codes.push_back(std::string(256, 'c'));
    codes.push_back(std::string(257, 'c'));
    for (const std::string &code : codes) {
        attempt_change(Change{code, "10", "127.9.9.9", "8080", "5"});
        lookup_bounded(code);
        attempt_remove(code);
    }
}

TEST_F(HostileArguments, Priorities)
{
    std::vector<std::string> priorities = hostile_texts();
    for (const char *p : {"100", "101", "-1", "-0", "+100", " 7", "50;", "50]", "50\n[HVK]",
                          "0x10", "4294967296", "-4294967295", "99999999999999999999"}) {
        priorities.push_back(p);
    }
    priorities.push_back(std::string(64 * 1024, '0') + "50");
    priorities.push_back(std::string(64 * 1024, '9'));
    for (const std::string &priority : priorities) {
        attempt_change(Change{"H", priority, "127.9.9.9", "8080", "5"});
    }
}

TEST_F(HostileArguments, Addresses)
{
    for (const std::string &addr : hostile_texts()) {
        attempt_change(Change{"H", "10", addr, "8080", "5"});
        lookup_bounded("H");
    }
}

TEST_F(HostileArguments, Ports)
{
    std::vector<std::string> ports = hostile_texts();
    for (const char *p : {"65534", "65535", "0", "-1", " 80", "+80", "80;x", "80=", "80]",
                          "80\n[HVK]", "80\r", "4294967297", "-4294967295"}) {
        ports.push_back(p);
    }
    ports.push_back(std::string(64 * 1024, '8'));
    ports.push_back("80" + big);
    for (const std::string &port : ports) {
        attempt_change(Change{"H", "10", "127.9.9.9", port, "5"});
        lookup_bounded("H");
    }
}

TEST_F(HostileArguments, Uids)
{
    attempt_change(Change{"H", "10", "127.9.9.9", "8080", std::nullopt});
    for (const std::string &uid : hostile_texts()) {
        attempt_change(Change{"H", "10", "127.9.9.9", "8080", uid});
        attempt_change(Change{"H", "10", "127.9.9.9", "8080", std::nullopt});
    }
}

// With HVK registered with the agent its own change is refused after the
// file was locked and loaded, and no "HVK" section appears.
TEST_F(HostileArguments, RegisteredHvkGetsNoSection)
{
    for (const std::string &addr : {std::string("6.6.6.6"), forged, big}) {
        attempt_change(Change{"HVK", "100", addr, "80", "1"});
    }
    EXPECT_EQ(is_running_hvk(), 1);
}

}  // namespace
