// Windows has no splice: every relay copies.
#include "relay.h"

void start_relay(asio::ip::tcp::socket client, asio::ip::tcp::socket upstream)
{
    asio::error_code ignored;
    client.set_option(asio::ip::tcp::no_delay(true), ignored);
    upstream.set_option(asio::ip::tcp::no_delay(true), ignored);
    start_copy_relay(std::move(client), std::move(upstream));
}
