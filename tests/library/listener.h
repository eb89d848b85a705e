// Loopback TCP listeners that the tests open themselves.
#ifndef IXOR_TEST_LISTENER_H
#define IXOR_TEST_LISTENER_H

#include <cstdint>
#include <vector>

namespace ixor_test {

class Listener {
public:
    // Listens on 127.0.0.1 on a port the system picks.
    explicit Listener(int backlog = 16);
    ~Listener();
    Listener(const Listener &) = delete;
    Listener &operator=(const Listener &) = delete;
    uint16_t port() const { return port_; }
    // Fills the accept queue so that further connection attempts hang.
    void saturate();

private:
    intptr_t fd_;
    uint16_t port_;
    std::vector<intptr_t> clients_;
};

// A loopback port on which nothing listens.
uint16_t closed_port();

}  // namespace ixor_test

#endif
