// The reachability probe against listeners on 127.0.0.1, the IP text check
// and the host-name rules.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

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

// Descriptors this process holds; -1 where the system does not list them.
long open_descriptors()
{
#ifdef __linux__
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return std::distance(begin(fds), end(fds));
#else
    return -1;
#endif
}

// A listening port answers with no warning, and the probe's socket is
// closed; "localhost" resolves to it.
TEST(Probe, ListeningPortAnswersTrue)
{
    ixor_test::Listener listener;
    ASSERT_TRUE(listener.listening());
    const long held = open_descriptors();
    EXPECT_EQ(probed("127.0.0.1", listener.port(), 2000, true), Lines{});
    EXPECT_EQ(open_descriptors(), held);
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

// A socket layer that fails answers no, and says where; a wait that a
// signal interrupts is resumed; a connection that fails at once answers no
// at once.
TEST(NetFault, ProbeAnswersNoWhenTheSocketLayerFails)
{
    IXOR_SKIP_UNLESS_PRELOADED("NET_FAULT");
    ixor_test::Listener listener(0, 0);
    ASSERT_TRUE(listener.listening());
    const ixor_test::FilledQueue filled(listener.port());
    const std::pair<const char *, Lines> faults[] = {
        {"nonblocking", {"socket initialize failed 9"}},
        {"poll", {"select failed err = 12"}},
        {"poll-interrupted", {"select timeout 10060"}},
        {"unreachable", {}},
    };
    for (const auto &[fault, lines] : faults) {
        const ixor_test::ScopedEnv failing("IXOR_NET_FAULT", fault);
        EXPECT_EQ(probed("127.0.0.1", listener.port(), 200, false), lines) << fault;
    }
}

// Hosts that are neither IP text nor an allowed name, and ports out of
// range, are refused with one warning.
TEST(Probe, RefusedArgumentsLogTheirLines)
{
    struct Row {
        const char *host;
        unsigned port;
        Lines lines;
    };
    const Row rows[] = {
        {nullptr, 80, {"domain is null, port = 80"}},
        {"some-host", 0, {"domain is null, port = 0"}},
        {"some-host", 65535, {"domain is null, port = 65535"}},
        {"", 80, {"domain is null, port = 80"}},
        {"-lead", 80, {"ip format abnormal", "domain is null, port = 80"}},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(probed(row.host, row.port, 100, false), row.lines) << row.port;
    }
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

// Four decimal fields 0 to 255 (empty fields are skipped); a field that is
// not a number in range is abnormal.
TEST(IpTextCheck, DottedQuads)
{
    struct Row {
        const char *text;
        bool ok;
        bool abnormal;
    };
    const Row rows[] = {
        {"10.0.0.1", true, false},
        {"255.255.255.255", true, false},
        {"0.0.0.0", true, false},
        {"1..2.3.4", true, false},
        {"1.2.3", false, false},
        {"1.2.3.4.5", false, false},
        {"100.20.30.40.50.60.70.80", false, false},  // its copy fills a heap block
        {"", false, false},
        {nullptr, false, false},
        {"1.2.3.256", false, true},
        {"1.2.3.x", false, true},
        {"-1.2.3.4", false, true},
        {"0x1.2.3.4", false, true},
        {"4294967296.1.1.1", false, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text ? row.text : "null");
        fake::reset();
        EXPECT_EQ(ixor_check_ip_format(row.text), row.ok);
        EXPECT_EQ(fake::tails(), row.abnormal ? Lines{"ip format abnormal"} : Lines{});
    }
}

}  // namespace
