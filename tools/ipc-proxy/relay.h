// One relayed connection: the bytes of each side go to the other unchanged,
// an end of stream is passed on as a half-close, and a side is read only
// when the other has taken the last bytes (back-pressure).
#ifndef IXOR_PROXY_RELAY_H
#define IXOR_PROXY_RELAY_H

#include <asio.hpp>

// The two connected sockets of one relay, on one strand, with Nagle off so
// that the relay holds nothing back. The relay owns them until both
// directions have ended or one side fails.
struct RelayEnds {
    RelayEnds(asio::ip::tcp::socket client_side, asio::ip::tcp::socket upstream_side);
    void close();  // a failed side ends both directions at once
    asio::ip::tcp::socket client;
    asio::ip::tcp::socket upstream;
};

// On Linux the bytes move through a kernel pipe with splice(2) and never
// reach this process; without the descriptors for that, and elsewhere, they
// are copied through a buffer.
void start_relay(RelayEnds ends);
void start_copy_relay(RelayEnds ends);

#endif
