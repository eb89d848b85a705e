// The whole road walked from the shell: init, products, registrations,
// status with its reasons, removals, and the runtime queries.
#include "cli_fixture.h"
#include "listener.h"

namespace {

using ixor_test::CliTest;
using ixor_test::file_exists;
using ixor_test::Json;
using ixor_test::read_file;
using ixor_test::ToolRun;
using ixor_test::write_file;

std::vector<std::string> strings(const Json &array)
{
    std::vector<std::string> out;
    for (const Json &item : array.items)
        out.push_back(item.text);
    return out;
}

using Road = CliTest;

TEST_F(Road, InitMakesAFreshRootAndRefusesToClobberIt)
{
    ASSERT_EQ(ixor({"init"}).status, 0);
    EXPECT_NE(read_file(root() + "/ixor_apphome.ini").find("path=."), std::string::npos);
    EXPECT_NE(read_file(root() + "/config/product_register.eni").find("[count]\nnum=0"),
              std::string::npos);
    EXPECT_NE(read_file(ipc("ipc_proxy.eni")).find("name=ipc_proxy"), std::string::npos);
    EXPECT_FALSE(file_exists(ipc("ixor_ipcproxy_pre.eni"))) << "the library creates it";

    ASSERT_EQ(ixor({"product", "add", "P1"}).status, 0);
    ASSERT_EQ(ixor({"register", "P1", "10", "127.0.0.1", "1001"}).status, 0);
    expect_failure(ixor({"init"}), 1, "--force");
    EXPECT_TRUE(file_exists(ipc("ixor_ipcproxy_pre.eni")));

    ASSERT_EQ(ixor({"init", "--force"}).status, 0);
    EXPECT_FALSE(file_exists(ipc("ixor_ipcproxy_pre.eni")));
    EXPECT_FALSE(file_exists(ipc("ixor_ipcproxy.ini")));
    EXPECT_FALSE(file_exists(root() + "/config/process/ipc_proxy.eni"));
    EXPECT_EQ(ixor({"hvk"}).out, "no\n");
    expect_failure(ixor({"register", "P1", "10", "127.0.0.1", "1001"}), 1, "product add P1");
}

TEST_F(Road, WinnerTakesTheProxyAndTheNextOneFollowsItsRemoval)
{
    init_with_products({"A", "B"});
    ixor_test::Listener upstream;
    const std::string port = std::to_string(upstream.port());
    // B first: A then stays below the winner and its list is probed once,
    // when it takes over (a probe of 127.0.0.2 may wait its full time).
    ASSERT_EQ(ixor({"register", "B", "80", "127.0.0.1", port, "7"}).status, 0);
    ASSERT_EQ(ixor({"register", "A", "50", "127.0.0.2;127.0.0.1", port}).out,
              "registered A with priority 50, port " + port + "\n");

    Json status = json({"status"});
    EXPECT_EQ(status["winner"].text, "B");
    EXPECT_TRUE(status["registrations"][0]["wins"].flag);
    EXPECT_EQ(status["registrations"][0]["uid"].number, 7);
    EXPECT_EQ(status["registrations"][1]["reason"].text, "lower priority than B");
    EXPECT_FALSE(status["registrations"][1]["wins"].flag);
    EXPECT_EQ(strings(status["candidates"]), std::vector<std::string>{"127.0.0.1"});
    EXPECT_EQ(status["proxy"]["uid"].number, 7);
    EXPECT_TRUE(status["proxy_follows_winner"].flag);
    EXPECT_TRUE(status["process_config"].flag);

    ASSERT_EQ(ixor({"remove", "B"}).out, "removed B\n");
    status = json({"status"});
    EXPECT_EQ(status["winner"].text, "A");
    EXPECT_EQ(strings(status["candidates"]),
              (std::vector<std::string>{"127.0.0.2", "127.0.0.1"}));
    EXPECT_EQ(status["configured_candidate"].text, "127.0.0.1") << "the one that answers";
    EXPECT_EQ(status["proxy"]["port"].number, upstream.port());
    EXPECT_EQ(ixor({"lookup", "A"}).out, "addr: 127.0.0.2;127.0.0.1\nport: " + port + "\nuid: 0\n");

    ASSERT_EQ(ixor({"remove", "A"}).status, 0);
    status = json({"status"});
    EXPECT_EQ(status["winner"].kind, Json::Null);
    EXPECT_EQ(status["registrations"].items.size(), 0u);
    EXPECT_FALSE(status["process_config"].flag) << "removed with the last registration";
    EXPECT_NE(ixor({"status"}).out.find("ipc_proxy process configuration: absent"),
              std::string::npos);
}

TEST_F(Road, StatusGivesEveryLoserItsReason)
{
    init_with_products({});
    write_file(ipc("ixor_ipcproxy_pre.eni"),
               "[HVK]\npriority=99\naddr=h\nport=1\n"
               "[ZERO]\npriority=0\naddr=z\nport=1\n"
               "[NOADDR]\npriority=95\nport=1\n"
               "[NOPORT]\npriority=95\naddr=n\n"
               "[FIRST]\npriority=60\naddr=f\nport=2\n"
               "[LOW]\npriority=40\naddr=l\nport=3\n"
               "[SECOND]\npriority=60\naddr=s\nport=4\n");
    Json status = json({"status"});
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"HVK", "HVK never counts"},
        {"ZERO", "priority 0 never wins"},
        {"NOADDR", "no addr"},
        {"NOPORT", "port 0"},
        {"FIRST", "wins: highest priority above 0 with an addr and a port, first of 2 with "
                  "priority 60"},
        {"LOW", "lower priority than FIRST"},
        {"SECOND", "tie: FIRST came first"}};
    ASSERT_EQ(status["registrations"].items.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(status["registrations"][i]["code"].text, expected[i].first);
        EXPECT_EQ(status["registrations"][i]["reason"].text, expected[i].second);
    }
    EXPECT_EQ(status["registrations"][2]["addr"].kind, Json::Null);
    EXPECT_EQ(status["proxy"].kind, Json::Null);
    EXPECT_FALSE(status["hvk"].flag) << "a registration section is no agent product";
    const std::string text = ixor({"status"}).out;
    EXPECT_NE(text.find("NOADDR: priority 95, addr (none), port 1, uid 0\n      loses: no addr"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("winner: FIRST\n"), std::string::npos);
}

TEST_F(Road, LoweredWinnerWaitsForRegenerate)
{
    init_with_products({"P1", "P2"});
    ASSERT_EQ(ixor({"register", "P1", "60", "127.0.0.1", "1001"}).status, 0);
    ASSERT_EQ(ixor({"register", "P2", "40", "127.0.0.1", "1002"}).status, 0);
    ASSERT_EQ(ixor({"register", "P1", "30", "127.0.0.1", "1001"}).status, 0);
    Json status = json({"status"});
    EXPECT_EQ(status["winner"].text, "P2");
    EXPECT_EQ(status["proxy"]["port"].number, 1001);
    EXPECT_FALSE(status["proxy_follows_winner"].flag);
    EXPECT_NE(ixor({"status"}).out.find("'ixor-ipc regenerate' applies it"), std::string::npos);

    EXPECT_EQ(json({"regenerate"})["result"].number, 0);
    status = json({"status"});
    EXPECT_EQ(status["proxy"]["port"].number, 1002);
    EXPECT_TRUE(status["proxy_follows_winner"].flag);
}

TEST_F(Road, SiblingProductIsReportedAndRefused)
{
    init_with_products({"P1"});
    EXPECT_FALSE(json({"hvk"})["hvk"].flag);
    write_file(root() + "/config/product_installed.eni", "[HVK]\nversion=1\n");
    ToolRun run = ixor({"hvk"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "yes\n");
    EXPECT_TRUE(json({"hvk"})["hvk"].flag);
    EXPECT_TRUE(json({"status"})["hvk"].flag);

    ASSERT_EQ(ixor({"product", "add", "HVK"}).status, 0);
    expect_failure(ixor({"register", "HVK", "50", "127.0.0.1", "1001"}), 1,
                   "HVK is not permitted");
}

TEST_F(Road, RuntimeQueriesReadWhatTheProxyWrote)
{
    init_with_products({});
    write_file(ipc("connect.ini"), "[connect]\nip=10.1.2.3\nport=4433\n");
    write_file(ipc("server_port.ini"), "[local]\nipc_port=7788\n");
    EXPECT_EQ(ixor({"connect-addr"}).out, "addr: 10.1.2.3\nport: 4433\n");
    Json connect = json({"connect-addr"});
    EXPECT_EQ(connect["addr"].text, "10.1.2.3");
    EXPECT_EQ(connect["port"].number, 4433);
    EXPECT_EQ(ixor({"local-port"}).out, "7788\n");
    EXPECT_EQ(json({"local-port"})["local_port"].number, 7788);
}

}  // namespace
