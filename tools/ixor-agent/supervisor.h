// Keeps the running processes in step with the process records: starts a
// new record's program, restarts it when its record is saved again, stops
// it when its record goes, and restarts unexpected exits with a growing
// back-off until too many starts fall within the burst interval.
#ifndef IXOR_AGENT_SUPERVISOR_H
#define IXOR_AGENT_SUPERVISOR_H

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <string>

#include "child.h"
#include "records.h"

using Clock = std::chrono::steady_clock;

struct Managed {
    Record record;
    std::unique_ptr<ChildProcess> child;
    long long started = 0;                 // seconds since the epoch, for the state file
    Clock::time_point started_at{};        // when the running child started
    std::deque<Clock::time_point> starts;  // within the burst interval
    int failures = 0;                      // in a row, for the back-off
    int restarts = 0;
    Clock::time_point next_start{};
    bool waiting = false;  // a start is due at next_start
};

class Supervisor {
public:
    Supervisor(std::string root, std::string agent_dir);
    // The home of this pass, and the folder of its records ("" without one).
    std::string records_folder() const;
    void tick();
    // Milliseconds until the next due start, at most the cap.
    int wait_ms(int cap) const;
    void stop_all();

private:
    void follow_record(const std::string &name, const Record &record);
    void start(const std::string &name, Managed &m);
    void reap(const std::string &name, Managed &m);
    void stop(const std::string &name, Managed &m, const char *why);
    void save_state() const;

    std::string root_;
    std::string agent_dir_;
    std::string home_;
    std::map<std::string, Managed> managed_;
    bool dirty_ = true;
};

#endif
