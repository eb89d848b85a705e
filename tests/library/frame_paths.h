// Paths that the library composes below the fake application home.
#ifndef IXOR_FRAME_PATHS_H
#define IXOR_FRAME_PATHS_H

#include <string>

namespace paths {
const std::string home = "/agent/home";
const std::string registrations = home + "/config/ixor_ipcproxy/ixor_ipcproxy_pre.eni";
const std::string proxy_conf = home + "/config/ixor_ipcproxy/ixor_ipcproxy.ini";
const std::string startup = home + "/config/ixor_ipcproxy/ipc_proxy.eni";
const std::string connect = home + "//config/ixor_ipcproxy/connect.ini";
const std::string server_port = home + "/config/ixor_ipcproxy/server_port.ini";
const std::string product_register = "/agent/home/config/product_register.eni";
}  // namespace paths

#endif
