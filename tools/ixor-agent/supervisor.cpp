#include "supervisor.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "agent_files.h"
#include "agent_state.h"
#include "os.h"
#include "report.h"

namespace {

using namespace std::chrono_literals;

const auto burst_interval = 60s;
const size_t burst_limit = 5;
const auto first_backoff = 200ms;
const auto max_backoff = 30s;
// A child that ran this long counts as healthy again.
const auto healthy_run = 10s;
const auto stop_bound = 5s;

Clock::duration backoff(int failures)
{
    auto delay = std::chrono::duration_cast<Clock::duration>(first_backoff);
    for (int n = 1; n < failures && delay < max_backoff; ++n) {
        delay *= 2;
    }
    return std::min<Clock::duration>(delay, max_backoff);
}

std::string command_text(const Program &program)
{
    std::string text = program.path;
    for (const std::string &arg : program.args) {
        text += " " + arg;
    }
    return text;
}

// Asks all of them to stop, waits up to the bound, then kills the rest.
void stop_children(const std::vector<ChildProcess *> &children)
{
    for (ChildProcess *child : children) {
        child->request_stop();
    }
    const auto deadline = Clock::now() + stop_bound;
    auto running = [&] {
        return std::any_of(children.begin(), children.end(),
                           [](ChildProcess *c) { return !c->poll(); });
    };
    while (running() && Clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    for (ChildProcess *child : children) {
        child->kill();
    }
}

long long epoch_seconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

Supervisor::Supervisor(std::string root, std::string agent_dir)
    : root_(std::move(root)), agent_dir_(std::move(agent_dir))
{
}

std::string Supervisor::records_folder() const
{
    return home_.empty() ? "" : process_folder(home_);
}

void Supervisor::tick()
{
    home_ = app_home();
    const std::map<std::string, Record> records =
        home_.empty() ? std::map<std::string, Record>{} : scan_records(home_, agent_dir_);
    for (auto it = managed_.begin(); it != managed_.end();) {
        if (records.count(it->first) == 0) {
            stop(it->first, it->second, "its record was removed");
            it = managed_.erase(it);
            dirty_ = true;
        } else {
            ++it;
        }
    }
    for (const auto &[name, record] : records) {
        follow_record(name, record);
    }
    for (auto &[name, m] : managed_) {
        reap(name, m);
        if (m.waiting && Clock::now() >= m.next_start) {
            start(name, m);
        }
    }
    if (dirty_) {
        save_state();
        dirty_ = false;
    }
}

// A new record, or a new save of a known one, starts its program afresh.
void Supervisor::follow_record(const std::string &name, const Record &record)
{
    auto found = managed_.find(name);
    if (found != managed_.end() && found->second.record.identity == record.identity) {
        return;
    }
    Managed &m = managed_[name];
    const bool rewritten = found != managed_.end();
    if (rewritten && m.child) {
        stop(name, m, "its record was rewritten");
    }
    m = Managed{};
    m.record = record;
    if (!record.problem.empty()) {
        report(LogLevel::error, "not running " + name + ": " + record.problem);
        return;
    }
    if (rewritten) {
        report(LogLevel::info, "restarting " + name + " for its new record");
    }
    m.waiting = true;
    m.next_start = Clock::now();
}

void Supervisor::start(const std::string &name, Managed &m)
{
    const auto now = Clock::now();
    m.waiting = false;
    while (!m.starts.empty() && now - m.starts.front() > burst_interval) {
        m.starts.pop_front();
    }
    if (m.starts.size() >= burst_limit) {
        report(LogLevel::error, name + " started " + std::to_string(m.starts.size()) +
                                    " times within " + std::to_string(burst_interval.count()) +
                                    " s; not starting it again until its record changes");
        return;
    }
    m.starts.push_back(now);
    std::string error;
    m.child = ChildProcess::start(m.record.program, error);
    if (!m.child) {
        ++m.failures;
        m.waiting = true;
        m.next_start = now + backoff(m.failures);
        report(LogLevel::error,
               "cannot start " + name + " (" + m.record.program.path + "): " + error);
        return;
    }
    m.started = epoch_seconds();
    m.started_at = now;
    dirty_ = true;
    report(LogLevel::info, "started " + name + " (pid " + std::to_string(m.child->pid()) +
                               "): " + command_text(m.record.program));
}

void Supervisor::reap(const std::string &name, Managed &m)
{
    const std::optional<ChildExit> exit = m.child ? m.child->poll() : std::nullopt;
    if (!exit) {
        return;
    }
    const int pid = m.child->pid();
    const auto ran = Clock::now() - m.started_at;
    m.child.reset();
    dirty_ = true;
    m.failures = ran >= healthy_run ? 1 : m.failures + 1;
    const LogLevel level = exit->clean ? LogLevel::info : LogLevel::error;
    const std::string ended = name + " (pid " + std::to_string(pid) + ") ended: " + exit->text;
    const Restart policy = m.record.restart;
    const bool again = policy == Restart::always || (policy == Restart::on_failure && !exit->clean);
    if (!again) {
        report(level, ended + "; not restarted");
        return;
    }
    const auto delay = backoff(m.failures);
    report(level, ended + "; restarting in " +
                      std::to_string(
                          std::chrono::duration_cast<std::chrono::milliseconds>(delay).count()) +
                      " ms");
    ++m.restarts;
    m.waiting = true;
    m.next_start = Clock::now() + delay;
}

void Supervisor::stop(const std::string &name, Managed &m, const char *why)
{
    m.waiting = false;
    if (!m.child) {
        return;
    }
    const int pid = m.child->pid();
    stop_children({m.child.get()});
    report(LogLevel::info, "stopped " + name + " (pid " + std::to_string(pid) + ") because " + why +
                               ": " + m.child->poll()->text);
    m.child.reset();
}

void Supervisor::stop_all()
{
    std::vector<ChildProcess *> children;
    for (auto &[name, m] : managed_) {
        if (m.child) {
            children.push_back(m.child.get());
        }
    }
    stop_children(children);
    for (auto &[name, m] : managed_) {
        stop(name, m, "the agent stops");
    }
    managed_.clear();
}

int Supervisor::wait_ms(int cap) const
{
    auto wait = std::chrono::milliseconds(cap);
    const auto now = Clock::now();
    for (const auto &[name, m] : managed_) {
        if (m.waiting) {
            wait = std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::max(m.next_start - now, Clock::duration::zero())));
        }
    }
    return static_cast<int>(wait.count());
}

void Supervisor::save_state() const
{
    AgentState state;
    state.agent_pid = ixor::os::current_pid();
    for (const auto &[name, m] : managed_) {
        if (m.child) {
            state.processes.push_back({name, m.child->pid(), m.started, m.restarts});
        }
    }
    if (!save_agent_state(root_, state)) {
        report(LogLevel::warn, "cannot save the agent's state below " + agent_run_dir(root_));
    }
}
