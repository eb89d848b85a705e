// A TCP listener on 127.0.0.1 that stands in for an upstream endpoint:
// it accepts connections and closes them at once.
#ifndef IXOR_IPC_LOOPBACK_LISTENER_H
#define IXOR_IPC_LOOPBACK_LISTENER_H

#include <cstdint>

class LoopbackListener {
public:
    LoopbackListener() = default;
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener &) = delete;
    LoopbackListener &operator=(const LoopbackListener &) = delete;
    // Port 0 lets the system pick one; false when it cannot listen.
    bool open(uint16_t port);
    uint16_t port() const { return port_; }
    void serve(int seconds);

private:
    intptr_t fd_ = -1;
    uint16_t port_ = 0;
};

#endif
