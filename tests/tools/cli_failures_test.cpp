// Failures: one line on stderr, nothing on stdout, and the exit status
// that tells a failed operation (1) from a wrong command line (2).
#include "cli_fixture.h"

namespace {

using ixor_test::CliTest;
using ixor_test::expect_failure;
using ixor_test::file_exists;
using ixor_test::read_file;
using ixor_test::ScopedEnv;
using ixor_test::ToolRun;

using Failures = CliTest;

TEST_F(Failures, MissingRootFailsEveryCommandAndCreatesNothing)
{
    const std::vector<std::vector<std::string>> commands = {
        {"register", "P1", "50", "127.0.0.1", "1001"},
        {"remove", "P1"},
        {"lookup", "P1"},
        {"regenerate"},
        {"connect-addr"},
        {"local-port"},
        {"status"},
        {"product", "add", "P1"},
        {"product", "remove", "P1"}};
    for (const auto &command : commands) {
        SCOPED_TRACE(command[0]);
        expect_failure(ixor(command), 1, "no agent root at " + root());
    }
    ToolRun hvk = ixor({"hvk"});
    EXPECT_EQ(hvk.status, 0);
    EXPECT_EQ(hvk.out, "no\n");
    EXPECT_FALSE(file_exists(root())) << "a missing root stays missing";
}

TEST_F(Failures, UnknownProductsAndMissingRecords)
{
    init_with_products({"P1"});
    expect_failure(ixor({"register", "Q", "50", "127.0.0.1", "1001"}), 1,
                   "product Q is not registered with the agent");
    expect_failure(ixor({"remove", "P1"}), 1, "nothing is registered yet");
    expect_failure(ixor({"lookup", "P1"}), 1, "nothing is registered yet");
    expect_failure(ixor({"regenerate"}), 1, "nothing is registered yet");
    expect_failure(ixor({"connect-addr"}), 1, "the proxy has not reported a connection");
    expect_failure(ixor({"local-port"}), 1, "the proxy has not reported its local port");

    ASSERT_EQ(ixor({"register", "P1", "50", "127.0.0.1", "1001"}).status, 0);
    expect_failure(ixor({"lookup", "Q"}), 1, "Q has no registration");
    EXPECT_EQ(ixor({"remove", "Q"}).out, "Q had no registration\n");
    EXPECT_EQ(ixor({"product", "remove", "Q"}).out, "Q was not registered with the agent\n");
    expect_failure(ixor({"product", "add", "count"}), 1, "code 'count' is refused");
}

TEST_F(Failures, BadNumbersReachTheLibraryAndAreExplained)
{
    init_with_products({"P1"});
    ASSERT_EQ(ixor({"register", "P1", "20", "127.0.0.1", "1001", "5"}).status, 0);
    const std::string before = read_file(ipc("ixor_ipcproxy_pre.eni"));
    expect_failure(ixor({"register", "P1", "101", "127.0.0.1", "1001"}), 1,
                   "priority '101' is outside 0..100");
    expect_failure(ixor({"register", "P1", "-1", "127.0.0.1", "1001"}), 1,
                   "priority '-1' is outside 0..100");
    expect_failure(ixor({"register", "P1", "50", "127.0.0.1", "65535"}), 1,
                   "port '65535' is outside 1..65534");
    expect_failure(ixor({"register", "P1", "50", "127.0.0.1", "abc"}), 1,
                   "port 'abc' is outside 1..65534");
    EXPECT_EQ(read_file(ipc("ixor_ipcproxy_pre.eni")), before);

    ToolRun abc = ixor({"register", "P1", "abc", "127.0.0.1", "65534"});
    EXPECT_EQ(abc.status, 0) << "the library reads no number as 0";
    EXPECT_EQ(abc.out, "registered P1 with priority 0, port 65534\n");
    EXPECT_EQ(json({"status"})["registrations"][0]["reason"].text, "priority 0 never wins");
}

TEST_F(Failures, WrongCommandLinesAreUsageErrors)
{
    expect_failure(ixor_bare({}), 2, "no command given");
    expect_failure(ixor({"frobnicate"}), 2, "unknown command frobnicate");
    expect_failure(ixor({"product"}), 2, "unknown command product");
    expect_failure(ixor({"register", "P1", "50"}), 2, "usage: ixor-ipc register CODE");
    expect_failure(ixor({"lookup", "P1", "P2"}), 2, "usage: ixor-ipc lookup CODE");
    expect_failure(ixor({"status", "--verbose"}), 2, "unknown option --verbose");
    expect_failure(ixor({"status", "--force"}), 2, "--force belongs to init only");
    expect_failure(ixor_bare({"status", "--root"}), 2, "--root needs a directory");
    expect_failure(ixor_bare({"status", "--root="}), 2, "--root needs a directory");
}

TEST_F(Failures, RootComesFromTheOptionAnywhereElseFromTheEnvironment)
{
    init_with_products({});
    EXPECT_EQ(ixor_bare({"status", "--json", "--root", root()}).status, 0);
    EXPECT_EQ(ixor_bare({"status", "--root=" + root()}).status, 0);
    ScopedEnv env_root("IXOR_ROOT_DIR", root().c_str());
    EXPECT_EQ(ixor_bare({"status"}).status, 0);
    expect_failure(ixor_bare({"--root", root() + "/elsewhere", "status"}), 1, "no agent root");
}

}  // namespace
