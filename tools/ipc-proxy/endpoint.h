// The upstream endpoint that the library writes into the proxy
// configuration, read under that file's lock.
#ifndef IXOR_PROXY_ENDPOINT_H
#define IXOR_PROXY_ENDPOINT_H

#include <optional>
#include <string>

struct Endpoint {
    std::string addr;
    int port = 0;
    int uid = 0;
};

// Nothing when the file is absent, unreadable or names no usable
// address and port; problem then says which.
std::optional<Endpoint> read_endpoint(const std::string &home, std::string &problem);

#endif
