// Calls of the library's exports that the benchmarks time, each checked:
// a figure of a call that failed would be worthless.
#ifndef IXOR_BENCH_CHANGER_H
#define IXOR_BENCH_CHANGER_H

#include <string>

#include "harness.h"
#include "ixor_ipc.h"

namespace ixor_bench {

// Changes one product's endpoint, its port flipping between two values so
// that every call differs from the stored one and saves.
class Changer {
public:
    Changer(std::string product, std::string priority)
        : product_(std::move(product)), priority_(std::move(priority))
    {
    }
    void operator()()
    {
        last_port_ = flip_++ % 2 ? "7101" : "7102";
        require(ixor_change_ipcproxy_addrport(product_.c_str(), priority_.c_str(), "127.0.0.1",
                                              last_port_, nullptr) == 0,
                "change of " + product_);
    }
    const char *last_port() const { return last_port_; }

private:
    std::string product_;
    std::string priority_;
    unsigned flip_ = 0;
    const char *last_port_ = "";
};

inline void lookup(const std::string &product)
{
    char addr[256];
    int port = 0;
    int uid = 0;
    require(ixor_get_ipcproxy_addrport(product.c_str(), addr, sizeof addr, &port, &uid) == 0 &&
                port != 0,
            "lookup of " + product);
}

inline void regenerate() { require(regenerate_ipc_proxy_conf_restart() == 0, "regeneration"); }

}  // namespace ixor_bench

#endif
