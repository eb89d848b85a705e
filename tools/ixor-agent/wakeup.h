// What wakes the agent's loop: a change in the records' folder (inotify on
// Linux, a change notification on Windows), a child's exit (SIGCHLD on
// POSIX; on Windows a short timeout) and a request to stop (SIGTERM or
// SIGINT; on Windows Ctrl-C, Ctrl-Break, closing the console or the event
// that a parent passes in IXOR_STOP_EVENT).
#ifndef IXOR_AGENT_WAKEUP_H
#define IXOR_AGENT_WAKEUP_H

#include <string>

class Wakeup {
public:
    Wakeup();  // installs the handlers of the stop requests
    ~Wakeup();
    Wakeup(const Wakeup &) = delete;
    Wakeup &operator=(const Wakeup &) = delete;
    // The folder to watch; a missing one is watched once it exists.
    void watch(const std::string &folder);
    // Returns after a change, a child's exit, a stop request or the time.
    void wait(int ms);
    bool stop_requested() const;
    // Tells a console-close handler on Windows that the agent is done.
    void done();

    struct Impl;

private:
    Impl *impl_;
};

#endif
