#include "endpoint.h"

#include "agent_files.h"
#include "ixor_ipc_files.h"
#include "ixor_ipc_limits.h"

std::optional<Endpoint> read_endpoint(const std::string &home, std::string &problem)
{
    const std::string path = home + "/" IXOR_FILE_PROXY_CONF;
    IniPtr ini = load_locked(path);
    if (!ini) {
        problem = "no proxy configuration at " + path;
        return std::nullopt;
    }
    bool present = false;
    Endpoint endpoint;
    endpoint.addr = ini_text(ini.get(), "config", "addr", present);
    endpoint.port = ixor_ini_file_get_int(ini.get(), "config", "port", 0);
    endpoint.uid = ixor_ini_file_get_int(ini.get(), "config", "uid", 0);
    if (endpoint.addr.empty() || endpoint.port < IXOR_PORT_MIN || endpoint.port > IXOR_PORT_MAX) {
        problem = "the proxy configuration " + path + " names no address and port";
        return std::nullopt;
    }
    return endpoint;
}
