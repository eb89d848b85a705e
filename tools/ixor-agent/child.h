// A program the agent runs as its direct child, with no shell in between.
// Every child gets IXOR_ROOT_DIR from the agent's environment. On Windows
// it also gets IXOR_STOP_EVENT, the decimal value of an inherited event
// that the agent sets to ask it to stop, and it lives in the agent's job
// object, so that it dies with the agent.
#ifndef IXOR_AGENT_CHILD_H
#define IXOR_AGENT_CHILD_H

#include <memory>
#include <optional>
#include <string>

#include "records.h"

struct ChildExit {
    bool clean = false;  // exit status 0
    std::string text;    // "exit status 3", "killed by signal 9"
};

class ChildProcess {
public:
    // Null, with the reason in error, when the program cannot be started.
    static std::unique_ptr<ChildProcess> start(const Program &program, std::string &error);
    ~ChildProcess();  // kills a child still running, and reaps it
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;
    int pid() const;
    // How it ended; nothing while it runs.
    std::optional<ChildExit> poll();
    void request_stop();  // SIGTERM, or the stop event
    void kill();          // SIGKILL, or TerminateProcess

    struct Impl;

private:
    explicit ChildProcess(Impl *impl) : impl_(impl) {}
    Impl *impl_;
};

#endif
