// The agent's side as a whole: ixor-agent runs ipc_proxy from the records
// the library writes, and a client keeps talking through the proxy's port.
// Failover: from the death of the winner's first candidate (its listener
// closes, so connections are refused) to the first byte from the next one.
// Change: from the return of the call that changes the winner to the first
// byte from the new winner. Each upstream answers with its own name, so the
// client knows where its bytes came from. Linux; ixor-agent, ipc_proxy and
// ixor-ipc lie beside this program.
#include <asio.hpp>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <cstdio>
#include <optional>
#include <thread>

#include "agent_state.h"
#include "harness.h"
#include "ixor_ipc.h"
#include "ixor_test_support.h"

namespace {

using asio::ip::tcp;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const int rounds = 6;

// A loopback upstream that writes its name to every connection and closes.
class Upstream {
public:
    Upstream(std::string name, const std::string &addr, std::uint16_t port)
        : name_(std::move(name)), where_(asio::ip::make_address(addr), port)
    {
        open();
        where_.port(acceptor_.local_endpoint().port());
        thread_ = std::thread([this] { io_.run(); });
    }
    ~Upstream()
    {
        work_.reset();
        asio::post(io_, [this] { acceptor_.close(); });
        thread_.join();
    }
    std::uint16_t port() const { return where_.port(); }
    const tcp::endpoint &where() const { return where_; }
    void open()
    {
        tcp::acceptor acceptor(io_, where_.protocol());
        acceptor.set_option(tcp::acceptor::reuse_address(true));
        acceptor.bind(where_);
        acceptor.listen();
        acceptor_ = std::move(acceptor);
        accept();
    }
    // From now on connections are refused.
    void die()
    {
        std::promise<void> done;
        asio::post(io_, [&] {
            acceptor_.close();
            done.set_value();
        });
        done.get_future().wait();
    }
    void revive()
    {
        std::promise<void> done;
        asio::post(io_, [&] {
            open();
            done.set_value();
        });
        done.get_future().wait();
    }

private:
    void accept()
    {
        acceptor_.async_accept([this](asio::error_code ec, tcp::socket socket) {
            if (ec) {
                return;
            }
            auto shared = std::make_shared<tcp::socket>(std::move(socket));
            asio::async_write(*shared, asio::buffer(name_), [shared](asio::error_code ec, size_t) {
                shared->shutdown(tcp::socket::shutdown_send, ec);
            });
            accept();
        });
    }

    std::string name_;
    tcp::endpoint where_;
    asio::io_context io_;
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work_{
        io_.get_executor()};
    tcp::acceptor acceptor_{io_};
    std::thread thread_;
};

tcp::endpoint local(std::uint16_t port) { return {asio::ip::address_v4::loopback(), port}; }

// Who answers there; "" when no one does within the time.
std::string answer(const tcp::endpoint &where)
{
    asio::io_context io;
    tcp::socket socket(io);
    std::string reply;
    asio::error_code result = asio::error::timed_out;
    socket.async_connect(where, [&](asio::error_code ec) {
        if (ec) {
            result = ec;
            return;
        }
        asio::async_read(socket, asio::dynamic_buffer(reply),
                         [&](asio::error_code ec, size_t) { result = ec; });
    });
    io.run_for(1s);
    return result == asio::error::eof ? reply : "";
}

// Seconds from start until the name answers through the port.
double until_answer(std::uint16_t port, const std::string &name, Clock::time_point start)
{
    const auto deadline = start + 20s;
    while (answer(local(port)) != name) {
        ixor_bench::require(Clock::now() < deadline, name + " never answered through the proxy");
        std::this_thread::sleep_for(1ms);
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A client that fails over by itself: a refused connection to the first
// candidate, then the answer of the second one.
double direct_failover_us(Upstream &next, const std::string &name)
{
    return ixor_bench::time_per_call(
        [&] {
            ixor_bench::require(answer(local(ixor_test::closed_port())).empty() &&
                                    answer(next.where()) == name,
                                "direct failover");
        },
        5, 20);
}

// A failed step unwinds, so the agent stops its proxy and goes too.
class AgentRun {
public:
    AgentRun()
    {
        run_tool({"init", "--proxy-port", std::to_string(proxy_port_)});
        run_tool({"product", "add", "A"});
        run_tool({"product", "add", "B"});
        agent_.emplace(ixor_test::Child::beside("ixor-agent", {"--root", root()},
                                                dir_.file("agent.out"), dir_.file("agent.err")));
    }
    ~AgentRun()
    {
        agent_->terminate();
        agent_->wait();
    }
    std::string root() const { return dir_.file("root"); }
    std::uint16_t proxy_port() const { return proxy_port_; }

private:
    void run_tool(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--root", root()});
        ixor_bench::require(
            ixor_test::Child::beside("ixor-ipc", args, dir_.file("tool.out"), dir_.file("tool.err"))
                    .wait() == 0,
            "ixor-ipc " + args[2]);
    }

    ixor_test::TempDir dir_;
    ixor_test::ScopedEnv root_env_{"IXOR_ROOT_DIR", dir_.file("root").c_str()};
    ixor_test::ScopedEnv log_env_{"IXOR_LOG_DIR", dir_.file("logs").c_str()};
    const std::uint16_t proxy_port_ = ixor_test::closed_port();
    std::optional<ixor_test::Child> agent_;
};

}  // namespace

void run_agent()
{
    using namespace ixor_bench;
    AgentRun run;
    Upstream first("first", "127.0.0.1", 0);
    Upstream second("second", "127.0.0.2", first.port());
    Upstream other("other", "127.0.0.1", 0);
    const std::string a_port = std::to_string(first.port());
    require(ixor_change_ipcproxy_addrport("A", "50", "127.0.0.1;127.0.0.2", a_port.c_str(),
                                          nullptr) == 0,
            "register A");
    until_answer(run.proxy_port(), "first", Clock::now());

    print_section("the agent's side: ixor-agent, ipc_proxy and the library (median of " +
                  std::to_string(rounds) + ")");
    std::vector<double> failovers, changes, removals;
    for (int i = 0; i < rounds; ++i) {
        // The first candidate dies; the second takes over. Then the first
        // comes back and the second dies, so the next round starts afresh.
        const bool down_first = i % 2 == 0;
        (down_first ? first : second).die();
        failovers.push_back(
            until_answer(run.proxy_port(), down_first ? "second" : "first", Clock::now()));
        (down_first ? first : second).revive();
    }
    const std::string winner = rounds % 2 ? "second" : "first";
    const std::string other_port = std::to_string(other.port());
    for (int i = 0; i < rounds; ++i) {
        require(
            ixor_change_ipcproxy_addrport("B", "80", "127.0.0.1", other_port.c_str(), nullptr) == 0,
            "change");
        changes.push_back(until_answer(run.proxy_port(), "other", Clock::now()));
        require(ixor_remove_product_config("B") == 0, "remove");
        removals.push_back(until_answer(run.proxy_port(), winner, Clock::now()));
    }
    const double direct = direct_failover_us(second, "second");
    print_row("failover, candidate refuses -> next answers",
              {median(failovers) * 1e6, direct, median(failovers) * 1e6 / direct},
              "client tries the next itself", no_target());
    print_value("failover, candidate refuses -> first byte", median(failovers), "s", at_most(2.0));
    print_value("failover, slowest of the rounds",
                *std::max_element(failovers.begin(), failovers.end()), "s", no_target());
    print_value("change returns -> first byte at new winner", median(changes), "s", no_target());
    print_value("removal returns -> first byte at next winner", median(removals), "s", no_target());
}

int main() { return ixor_bench::run_benchmark(run_agent); }
