// One relayed connection: the bytes of each side go to the other unchanged,
// an end of stream is passed on as a half-close, and a side is read only
// when the other has taken the last bytes (back-pressure).
#ifndef IXOR_PROXY_RELAY_H
#define IXOR_PROXY_RELAY_H

#include <asio.hpp>

// Both sockets are connected and share one strand; the relay owns them
// until both directions have ended or one side fails.
void start_relay(asio::ip::tcp::socket client, asio::ip::tcp::socket upstream);

#endif
