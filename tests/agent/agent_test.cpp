// ixor-agent running ipc_proxy from the records that the library writes:
// traffic from a local client reaches the winner through every change, a
// removal and a failover that no call starts, and no process outlives a test.
#include <gtest/gtest.h>

#include <asio.hpp>

#include <chrono>
#include <functional>
#include <memory>
#include <sstream>
#include <thread>

#include "agent_state.h"
#include "ixor_ipc.h"
#include "echo_upstream.h"
#include "ixor_test_support.h"

namespace {

using asio::ip::tcp;
using ixor_test::Child;
using ixor_test::read_file;
using namespace std::chrono_literals;

// Sends the text, half-closes and reads to the end; "" on any failure or
// after the time.
std::string round_trip(std::uint16_t port, const std::string &text)
{
    asio::io_context io;
    tcp::socket socket(io);
    std::string reply;
    asio::error_code result = asio::error::timed_out;
    socket.async_connect({asio::ip::address_v4::loopback(), port}, [&](asio::error_code ec) {
        if (ec) {
            result = ec;
            return;
        }
        asio::async_write(socket, asio::buffer(text), [&](asio::error_code ec, size_t) {
            socket.shutdown(tcp::socket::shutdown_send, ec);
            asio::async_read(socket, asio::dynamic_buffer(reply),
                             [&](asio::error_code ec, size_t) { result = ec; });
        });
    });
    io.run_for(5s);
    return result == asio::error::eof ? reply : "";
}

class Agent : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(tool({"init", "--proxy-port", std::to_string(proxy_port_)}), 0);
        ASSERT_EQ(tool({"product", "add", "A"}), 0);
        ASSERT_EQ(tool({"product", "add", "B"}), 0);
    }

    // The agent first, so that it stops its proxy; then whatever is left.
    void TearDown() override
    {
        if (agent_) {
            agent_->terminate();
            const auto deadline = std::chrono::steady_clock::now() + 15s;
            while (agent_->running() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(20ms);
        }
        if (const int pid = proxy_pid())
            ixor_test::kill_process(pid);
    }

    std::string root() const { return dir_.file("root"); }
    std::string out(const std::string &name) const { return dir_.file(name + ".out"); }
    std::string dir_file(const std::string &name) const { return dir_.file(name); }

    int tool(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"--root", root()});
        return Child::beside(IXOR_IPC_TOOL_NAME, args, out("tool"), dir_.file("tool.err")).wait();
    }

    Child &start_agent()
    {
        agent_.emplace(Child::beside(IXOR_AGENT_NAME, {"--root", root()}, out("agent"),
                                     dir_.file("agent.err")));
        return *agent_;
    }
    std::string agent_errors() const { return read_file(dir_.file("agent.err")); }

    // Whether a round trip through the proxy works and the proxy says it
    // connects to addr:port.
    bool reaches(const std::string &addr, std::uint16_t port)
    {
        char connected[64] = "";
        int connected_port = 0;
        return round_trip(proxy_port_, "ping") == "ping" + std::string(ixor_test::echo_last_word) &&
               ixor_get_ipcproxy_connectaddr(connected, sizeof connected, &connected_port) == 0 &&
               connected == addr && connected_port == port;
    }

    int proxy_pid() const
    {
        for (const ProcessState &p : load_agent_state(root()).processes)
            if (p.name == "ipc_proxy" && ixor::os::process_alive(p.pid))
                return p.pid;
        return 0;
    }

    static bool eventually(const std::function<bool()> &condition,
                           std::chrono::milliseconds limit = 30s)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(50ms);
        }
        return true;
    }

    const std::uint16_t proxy_port_ = ixor_test::closed_port();

private:
    ixor_test::TempDir dir_;
    ixor_test::ScopedEnv root_env_{"IXOR_ROOT_DIR", root().c_str()};
    ixor_test::ScopedEnv log_env_{"IXOR_LOG_DIR", dir_.file("logs").c_str()};
    ixor_test::ScopedEnv sleep_env_{"IXOR_SLEEP_UNIT_MS", "10"};
    std::optional<Child> agent_;
};

TEST_F(Agent, TrafficFollowsChangeRemovalAndAFailoverThatNoCallStarts)
{
    start_agent();
    ixor_test::EchoUpstream b;
    auto a1 = std::make_unique<ixor_test::EchoUpstream>();
    const std::uint16_t a = a1->port();
    ixor_test::EchoUpstream a2("127.0.0.2", a);
    ASSERT_TRUE(a2.listening());
    ASSERT_EQ(ixor_change_ipcproxy_addrport("A", "50", "127.0.0.1;127.0.0.2",
                                            std::to_string(a).c_str(), nullptr),
              0);
    EXPECT_TRUE(eventually([&] { return reaches("127.0.0.1", a); }));

    ASSERT_EQ(ixor_change_ipcproxy_addrport("B", "80", "127.0.0.1",
                                            std::to_string(b.port()).c_str(), nullptr),
              0);
    EXPECT_TRUE(eventually([&] { return reaches("127.0.0.1", b.port()); }))
        << "a change moves the traffic";

    ASSERT_EQ(ixor_remove_product_config("B"), 0);
    EXPECT_TRUE(eventually([&] { return reaches("127.0.0.1", a); })) << "a removal moves it back";

    const int pid = proxy_pid();
    a1.reset();
    EXPECT_TRUE(eventually([&] { return reaches("127.0.0.2", a); }))
        << agent_errors() << "the next candidate takes over by itself";
    EXPECT_NE(proxy_pid(), pid);

    ASSERT_EQ(ixor_remove_product_config("A"), 0);
    EXPECT_TRUE(eventually([&] { return proxy_pid() == 0 && ixor_get_ipcproxy_localport() == 0; }));
    EXPECT_EQ(round_trip(proxy_port_, "ping"), "");
}

TEST_F(Agent, RestartsAKilledProxyRefusesASecondAgentAndLeavesNoChildWhenStopped)
{
    Child &agent = start_agent();
    ixor_test::EchoUpstream upstream;
    const std::uint16_t port = upstream.port();
    ASSERT_EQ(ixor_change_ipcproxy_addrport("A", "50", "127.0.0.1", std::to_string(port).c_str(),
                                            nullptr),
              0);
    ASSERT_TRUE(eventually([&] { return reaches("127.0.0.1", port); }));

    const int first = proxy_pid();
    ASSERT_TRUE(ixor_test::kill_process(first));
    EXPECT_TRUE(eventually(
        [&] { return proxy_pid() != first && proxy_pid() != 0 && reaches("127.0.0.1", port); }));
    EXPECT_EQ(load_agent_state(root()).processes.at(0).restarts, 1);
    EXPECT_NE(agent_errors().find("restarting in"), std::string::npos) << agent_errors();

    const std::string second_err = dir_file("second.err");
    EXPECT_EQ(Child::beside(IXOR_AGENT_NAME, {"--root", root()}, out("second"), second_err).wait(),
              1);
    EXPECT_NE(read_file(second_err).find("another ixor-agent already runs"), std::string::npos);

    const int proxy = proxy_pid();
    agent.terminate();
    EXPECT_EQ(agent.wait(), 0);
    EXPECT_FALSE(ixor::os::process_alive(proxy));
    EXPECT_EQ(load_agent_state(root()).agent_pid, 0) << "the state file goes with the agent";
    EXPECT_EQ(ixor_get_ipcproxy_localport(), 0) << "the proxy cleared its port";
}

TEST_F(Agent, RunsNoRecordItCannotTrustAndBacksOffFromAProgramThatCannotStart)
{
    const std::string folder = root() + "/config/process/";
    ixor_test::write_file(folder + "missing.eni", "[process]\ncommand=no_such_program\n");
    const bool modes = ixor_test::set_umask(0) >= 0;
    if (modes) {
        ixor_test::write_file(folder + "loose.eni", "[process]\ncommand=" IXOR_IPC_TOOL_NAME "\n");
        ixor_test::set_umask(022);
    }
    start_agent();
    std::this_thread::sleep_for(2500ms);
    std::istringstream lines(agent_errors());
    int attempts = 0;
    for (std::string line; std::getline(lines, line);)
        attempts += line.rfind("ixor-agent: cannot start missing", 0) == 0;
    EXPECT_GE(attempts, 3) << agent_errors();
    EXPECT_LE(attempts, 5) << "0.2 s doubling, no busy loop: " << agent_errors();
    if (modes) {
        EXPECT_NE(agent_errors().find("loose.eni can be written by other users"), std::string::npos)
            << agent_errors();
    }
}

}  // namespace
