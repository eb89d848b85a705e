// The reachability probe against listeners on 127.0.0.1, and the host-name
// rules.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "ixor_test_support.h"
#include "ixor_ipc_internal.h"

namespace {

using fake::Lines;

Lines probed(const char *host, unsigned port, unsigned wait_ms, bool answers, int level = 2)
{
    fake::reset();
    fake::platform().log_level = level;
    EXPECT_EQ(ixor_probe_addrport(host, port, wait_ms), answers) << (host ? host : "null");
    return fake::tails();
}

// A listening port answers with no warning; "localhost" resolves to it.
TEST(Probe, ListeningPortAnswersTrue)
{
    ixor_test::Listener listener;
    ASSERT_TRUE(listener.listening());
    EXPECT_EQ(probed("127.0.0.1", listener.port(), 2000, true), Lines{});
    EXPECT_EQ(probed("localhost", listener.port(), 2000, true, 3),
              (Lines{"ip format abnormal", "domain = localhost, parsed ip = 127.0.0.1, port = " +
                                               std::to_string(listener.port())}));
}

TEST(Probe, WaitRunsOutOnAHangingConnection)
{
    ixor_test::Listener listener(0, 0);
    ASSERT_TRUE(listener.listening());
    const ixor_test::FilledQueue filled(listener.port());
    EXPECT_EQ(probed("127.0.0.1", listener.port(), 200, false), Lines{"select timeout 10060"});
}

TEST(HostNameRules, CharactersLengthAndEnds)
{
    const std::pair<std::string, bool> cases[] = {
        {std::string(66, 'a'), true},
        {std::string(67, 'a'), false},
        {"a.z_A-Z09", true},
        {"a", true},
        {"*lead", false},
        {"-lead", false},
        {"trail-", false},
        {"has blank", false},
        {"has:colon", false},
        {"caf\xc3\xa9", false},
        {"", false},
    };
    for (const auto &[host, ok] : cases) {
        EXPECT_EQ(ixor_check_host_name(host.c_str()), ok) << host;
    }
}

}  // namespace
