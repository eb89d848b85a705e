// The reachability probe against listeners on 127.0.0.1, the IP text check
// and the host-name rules.
#include <gtest/gtest.h>

#include <chrono>

#include "fake_platform.h"
#include "ixor_test_support.h"
#include "ixor_ipc_internal.h"

namespace {

using Lines = std::vector<std::string>;

class Probe : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::reset();
        fake::platform().log_level = 2;
    }
};

// A listening port answers true with no warn or error line; "localhost"
// resolves to it.
TEST_F(Probe, ListeningPortAnswersTrue)
{
    ixor_test::Listener listener;
    ASSERT_TRUE(listener.listening());
    EXPECT_TRUE(ixor_probe_addrport("127.0.0.1", listener.port(), 2000));
    EXPECT_TRUE(fake::tails().empty());
    fake::platform().log_level = 3;
    EXPECT_TRUE(ixor_probe_addrport("localhost", listener.port(), 2000));
    const std::string parsed = "domain = localhost, parsed ip = 127.0.0.1, port = ";
    EXPECT_EQ(fake::tails(),
              (Lines{"ip format abnormal", parsed + std::to_string(listener.port())}));
}

TEST_F(Probe, ClosedPortAnswersFalse)
{
    uint16_t port = ixor_test::closed_port();
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ixor_probe_addrport("127.0.0.1", port, 300));
    auto took = std::chrono::steady_clock::now() - start;
    if (ixor_test::refusals_show_at_once()) {
        EXPECT_TRUE(fake::tails().empty());
        EXPECT_LT(took, std::chrono::milliseconds(250)) << "a refusal answers at once";
    } else {
        // Windows Sockets report the refusal only in the unwatched exception set.
        EXPECT_EQ(fake::tails(), Lines{"select timeout 10060"});
    }
}

TEST_F(Probe, WaitRunsOutOnAHangingConnection)
{
    ixor_test::Listener listener(0, 0);
    ASSERT_TRUE(listener.listening());
    listener.saturate();
    EXPECT_FALSE(ixor_probe_addrport("127.0.0.1", listener.port(), 200));
    EXPECT_EQ(fake::tails(), Lines{"select timeout 10060"});
}

// Hosts that are neither IP text nor an allowed name, and ports out of
// range, are refused with one warning; the name rules are tested below.
TEST_F(Probe, RefusedArgumentsLogTheirLines)
{
    struct Case {
        const char *host;
        unsigned port;
        Lines lines;
    };
    const Case cases[] = {
        {nullptr, 80, {"domain is null, port = 80"}},
        {"some-host", 0, {"domain is null, port = 0"}},
        {"some-host", 65535, {"domain is null, port = 65535"}},
        {"", 80, {"domain is null, port = 80"}},
        {"-lead", 80, {"ip format abnormal", "domain is null, port = 80"}},
        {"1.2.3.4 ", 80, {"ip format abnormal", "domain is null, port = 80"}},
    };
    for (const Case &c : cases) {
        fake::reset();
        EXPECT_FALSE(ixor_probe_addrport(c.host, c.port, 100)) << (c.host ? c.host : "null");
        EXPECT_EQ(fake::tails(), c.lines) << (c.host ? c.host : "null");
    }
}

TEST(HostNameRules, CharactersLengthAndEnds)
{
    const std::pair<std::string, bool> cases[] = {
        {std::string(66, 'a'), true}, {std::string(67, 'a'), false},
        {"a_b-c.D9", true},           {"1.2.3", true},
        {"1.2.3.256", true},          {"-lead", false},
        {"trail-", false},            {"mid-dle", true},
        {"has blank", false},         {"has:colon", false},
        {"caf\xc3\xa9", false},       {"", false},
        {"a", true},                  {"tab\t", false},
    };
    for (const auto &[host, ok] : cases) {
        EXPECT_EQ(ixor_check_host_name(host.c_str()), ok) << host;
    }
}

TEST(IpTextCheck, DottedQuads)
{
    struct Case {
        const char *text;
        bool ok;
        bool abnormal;
    };
    const Case cases[] = {
        {"10.0.0.1", true, false},    {"255.255.255.255", true, false},
        {"1..2.3.4", true, false},    {".1.2.3.4.", true, false},
        {"+1.2.3.4", true, false},    {"1.2.3. 4", true, false},
        {"-0.1.2.3", true, false},    {"1.2.3", false, false},
        {"1.2.3.4.5", false, false},  {"", false, false},
        {"...", false, false},        {"1.2.3.256", false, true},
        {"1.2.3.x", false, true},     {"1.2.3.4 ", false, true},
        {"-1.2.3.4", false, true},    {"4294967296.1.1.1", false, true},
        {"0x1.2.3.4", false, true},   {"localhost", false, true},
    };
    for (const Case &c : cases) {
        fake::reset();
        EXPECT_EQ(ixor_check_ip_format(c.text), c.ok) << c.text;
        EXPECT_EQ(fake::tails(), c.abnormal ? Lines{"ip format abnormal"} : Lines{}) << c.text;
    }
    EXPECT_FALSE(ixor_check_ip_format(nullptr));
}

}  // namespace
