// The built ixor-ipc driven as a process on temporary agent roots: its
// command line, its text and --json output, its exit status (1 a failed
// operation, 2 a wrong command line) and the road through the library.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <nlohmann/json.hpp>

#include "ixor_test_support.h"

namespace {

using ixor_test::file_exists;
using ixor_test::read_file;
using ixor_test::ScopedEnv;
using ixor_test::write_file;
using Json = nlohmann::json;
const auto npos = std::string::npos;

struct ToolRun {
    int status = -1;  // -1 when it did not exit normally
    std::string out;  // line ends as LF on every system
    std::string err;
};

// The C runtime of Windows writes LF as CRLF on text streams.
std::string lf(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

class Cli : public ::testing::Test {
protected:
    std::string root() const { return dir_.file("root"); }
    std::string ipc(const std::string &name) const
    {
        return root() + "/config/ixor_ipcproxy/" + name;
    }

    // The tool (it lies beside the test program) with the arguments alone.
    ToolRun bare(const std::vector<std::string> &args) const
    {
        const std::string out = dir_.file("out");
        const std::string err = dir_.file("err");
        const int status = ixor_test::Child::beside(IXOR_IPC_TOOL_NAME, args, out, err).wait();
        return {status, lf(read_file(out)), lf(read_file(err))};
    }

    ToolRun ixor(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"--root", root()});
        return bare(args);
    }

    // init followed by "product add" of each code; every step must succeed.
    void init_with_products(const std::vector<std::string> &codes) const
    {
        ASSERT_EQ(ixor({"init"}).status, 0);
        for (const std::string &code : codes)
            ASSERT_EQ(ixor({"product", "add", code}).status, 0) << code;
    }

    // The --json output of a command that must succeed.
    Json json(std::vector<std::string> args) const
    {
        args.push_back("--json");
        const ToolRun run = ixor(args);
        EXPECT_EQ(run.status, 0) << args[0] << ": " << run.err;
        return Json::parse(run.out);
    }

private:
    ixor_test::TempDir dir_;
    ScopedEnv no_root_{"IXOR_ROOT_DIR", nullptr};
    ScopedEnv log_dir_{"IXOR_LOG_DIR", dir_.file("agent-logs").c_str()};
    ScopedEnv sleep_unit_{"IXOR_SLEEP_UNIT_MS", "1"};
};

// Fails the test unless the run failed with the status, printed nothing on
// stdout and one line on stderr holding the text.
void expect_failure(const ToolRun &run, int status, const std::string &text)
{
    EXPECT_EQ(run.status, status) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(text), npos) << run.err;
}

TEST_F(Cli, InitMakesARootAndOnlyForceResetsIt)
{
    EXPECT_EQ(json({"init"})["home"], root() + "/.");
    EXPECT_TRUE(file_exists(root() + "/logs/ixor.log")) << "init logs once it made the root";
    EXPECT_EQ(ixor({"hvk"}).out, "no\n");
    EXPECT_EQ(json({"product", "add", "P1"})["result"], 0);
    EXPECT_EQ(json({"register", "P1", "10", "127.0.0.1", "1001", "9"})["result"], 0);
    EXPECT_EQ(ixor({"lookup", "P1", "--json"}).out,
              "{\"code\":\"P1\",\"addr\":\"127.0.0.1\",\"port\":1001,\"uid\":9}\n");
    expect_failure(ixor({"init"}), 1, "--force");
    ASSERT_EQ(ixor({"init", "--force"}).status, 0);
    EXPECT_FALSE(file_exists(ipc("ixor_ipcproxy_pre.eni")));
    EXPECT_FALSE(file_exists(root() + "/config/process/ipc_proxy.eni"));
    expect_failure(ixor({"register", "P1", "10", "127.0.0.1", "1001"}), 1, "product add P1");
}

// A lowered winner keeps the proxy until regenerate probes the new one's
// candidates; the last removal takes the process configuration away.
TEST_F(Cli, StatusFollowsTheWinnerThroughRegenerateAndRemoval)
{
    init_with_products({"A", "B"});
    ixor_test::Listener upstream;
    ASSERT_TRUE(upstream.listening());
    const std::string port = std::to_string(upstream.port());
    ASSERT_EQ(ixor({"register", "B", "80", "127.0.0.1", "1001", "7"}).status, 0);
    ASSERT_EQ(ixor({"register", "A", "50", "127.0.0.2;127.0.0.1", port}).out,
              "registered A with priority 50, port " + port + "\n");
    Json status = json({"status"});
    EXPECT_EQ(status["winner"], "B");
    EXPECT_EQ(status["registrations"][0]["reason"],
              "wins: highest priority above 0 with an addr and a port");
    ASSERT_EQ(ixor({"register", "B", "30", "127.0.0.1", "1001", "7"}).status, 0);
    status = json({"status"});
    EXPECT_EQ(status["winner"], "A");
    EXPECT_EQ(status["candidates"], Json::array({"127.0.0.2", "127.0.0.1"}));
    EXPECT_EQ(status["proxy"]["uid"], 7);
    EXPECT_FALSE(status["proxy_follows_winner"]);
    EXPECT_NE(ixor({"status"}).out.find("'ixor-ipc regenerate' applies it"), npos);
    EXPECT_EQ(json({"regenerate"})["result"], 0);
    status = json({"status"});
    EXPECT_EQ(status["configured_candidate"], "127.0.0.1") << "the one that answers";
    EXPECT_TRUE(status["proxy_follows_winner"]);
    EXPECT_EQ(ixor({"remove", "A"}).out, "removed A\n");
    EXPECT_EQ(json({"remove", "B"})["result"], 0);
    status = json({"status"});
    EXPECT_EQ(status.at("winner"), nullptr);
    EXPECT_FALSE(status["process_config"]) << "removed with the last registration";
}

TEST_F(Cli, StatusGivesEveryLoserItsReason)
{
    init_with_products({});
    write_file(ipc("ixor_ipcproxy_pre.eni"), "[HVK]\npriority=99\naddr=h\nport=1\n"
                                             "[ZERO]\npriority=0\naddr=z\nport=1\n"
                                             "[NOADDR]\npriority=95\nport=1\n"
                                             "[NOPORT]\npriority=95\naddr=n\n"
                                             "[FIRST]\npriority=60\naddr=f\nport=2\n"
                                             "[LOW]\npriority=40\naddr=l\xff\nport=3\n"
                                             "[SECOND]\npriority=60\naddr=s\nport=4\n");
    Json status = json({"status"});
    std::vector<std::string> reasons;
    for (const Json &reg : status["registrations"])
        reasons.push_back(reg["code"].get<std::string>() + ": " + reg["reason"].get<std::string>());
    EXPECT_EQ(reasons, (std::vector<std::string>{
                           "HVK: HVK never counts", "ZERO: priority 0 never wins",
                           "NOADDR: no addr", "NOPORT: port 0",
                           "FIRST: wins: highest priority above 0 with an addr and a port, first "
                           "of 2 with priority 60",
                           "LOW: lower priority than FIRST", "SECOND: tie: FIRST came first"}));
    EXPECT_EQ(status["registrations"][5]["addr"], "l\xef\xbf\xbd") << "0xff prints as U+FFFD";
    EXPECT_FALSE(status["hvk"]) << "a registration section is no agent product";
    EXPECT_NE(ixor({"status"})
                  .out.find("NOADDR: priority 95, addr (none), port 1, uid 0\n"
                            "      loses: no addr"),
              npos);
    write_file(ipc("connect.ini"), "[connect]\nip=10.1.2.3\nport=4433\n");
    EXPECT_EQ(json({"connect-addr"}), Json({{"addr", "10.1.2.3"}, {"port", 4433}}));
}

// A registration file of random sections; values drawn from a pool that
// holds every reason to lose, and one address each so that nothing is
// probed.
std::string random_registrations(std::mt19937 &rng)
{
    const char *const codes[] = {"A", "B", "C", "HVK", "D"};
    const char *const priorities[] = {"", "-5", "0", "1", "09", "50", "100", "x"};
    const char *const ports[] = {"", "0", "1", "80", "65534", "65535", "x"};
    const auto pick = [&rng](const auto &pool) {
        return std::string(pool[rng() % std::size(pool)]);
    };
    std::string text;
    for (const char *code : codes) {
        if (rng() % 4 == 0)
            continue;
        text += "[" + std::string(code) + "]\n";
        for (const auto &[key, value] :
             {std::pair{"priority", pick(priorities)},
              std::pair{"addr", rng() % 5 ? "10.0.0." + std::to_string(rng() % 9) : ""},
              std::pair{"port", pick(ports)},
              std::pair{"uid", rng() % 2 ? std::to_string(rng() % 100) : ""}}) {
            if (!value.empty())
                text += std::string(key) + "=" + value + "\n";
        }
    }
    return text;
}

// The winner that status explains is the one whose address, port and uid
// the library wrote into the proxy configuration, and none when it wrote
// nothing.
TEST_F(Cli, StatusExplainsTheWinnerTheLibraryConfigured)
{
    init_with_products({});
    std::mt19937 rng(2026);
    const int rounds = ixor_test::process_starts_are_costly() ? 4 : 40;
    for (int round = 0; round < rounds; ++round) {
        const std::string registrations = random_registrations(rng);
        SCOPED_TRACE(registrations);
        write_file(ipc("ixor_ipcproxy_pre.eni"), registrations);
        std::filesystem::remove(std::filesystem::u8path(ipc("ixor_ipcproxy.ini")));
        ixor({"regenerate"});
        const Json status = json({"status"});
        std::string expected = "<no file>";
        for (const Json &reg : status["registrations"]) {
            if (reg["code"] == status["winner"]) {
                expected = "[config]\naddr=" + reg["addr"].get<std::string>() +
                           "\nport=" + std::to_string(reg["port"].get<int>()) +
                           "\nuid=" + std::to_string(reg["uid"].get<int>()) + "\n";
            }
        }
        const std::string conf = ipc("ixor_ipcproxy.ini");
        EXPECT_EQ(file_exists(conf) ? read_file(conf) : "<no file>", expected);
    }
}

TEST_F(Cli, FailuresNameTheirCause)
{
    expect_failure(ixor({"status"}), 1, "no agent root at " + root());
    EXPECT_FALSE(file_exists(root())) << "a missing root stays missing";
    std::filesystem::create_directory(root());
    expect_failure(ixor({"product", "add", "P1"}), 1, "no application home: " + root());
    EXPECT_TRUE(std::filesystem::is_empty(root())) << "no log in a folder that is no agent root";
    init_with_products({"P1"});
    expect_failure(ixor({"register", "Q", "50", "127.0.0.1", "1001"}), 1,
                   "product Q is not registered with the agent");
    expect_failure(ixor({"lookup", "P1"}), 1, "nothing is registered yet");
    expect_failure(ixor({"local-port"}), 1, "the proxy has not reported its local port");
    expect_failure(ixor({"register", "P1", "101", "127.0.0.1", "1001"}), 1,
                   "priority '101' is outside 0..100");
    expect_failure(ixor({"register", "P1", "0", "127.0.0.1", "65535"}), 1,
                   "port '65535' is outside 1..65534");
    EXPECT_EQ(ixor({"register", "P1", "abc", "127.0.0.1", "65534"}).out,
              "registered P1 with priority 0, port 65534\n")
        << "the library reads no number as 0";
    expect_failure(ixor({"lookup", "Q"}), 1, "Q has no registration");
    EXPECT_EQ(ixor({"remove", "Q"}).out, "Q had no registration\n");
    expect_failure(ixor({"product", "add", "count"}), 1, "code 'count' is refused");
}

TEST_F(Cli, CommandLineHelpOptionsAndUsageErrors)
{
    EXPECT_NE(bare({"--help"}).out.find("\n  product remove CODE "), npos);
    EXPECT_EQ(ixor({"product", "add", "--help"})
                  .out.rfind("usage: ixor-ipc [--root DIR] [--json] product add CODE\n", 0),
              0u);
    EXPECT_FALSE(file_exists(root())) << "help touches no root";
    expect_failure(bare({}), 2, "no command given");
    expect_failure(ixor({"product"}), 2, "unknown command product");
    expect_failure(ixor({"register", "P1", "50"}), 2, "usage: ixor-ipc register CODE");
    expect_failure(ixor({"status", "--force"}), 2, "--force belongs to init only");
    expect_failure(bare({"status", "--root="}), 2, "--root needs a directory");
    init_with_products({});
    EXPECT_EQ(bare({"status", "--root=" + root()}).status, 0);
    ScopedEnv env_root("IXOR_ROOT_DIR", root().c_str());
    EXPECT_EQ(bare({"status"}).status, 0);
}

}  // namespace
