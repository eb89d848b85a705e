#include "runtime_files.h"

#include "agent_files.h"
#include "ixor_ipc_files.h"

namespace {

std::string server_port_path(const std::string &home) { return home + "/" IXOR_FILE_SERVER_PORT; }

// The library reads this one with the leading slash kept.
std::string connect_path(const std::string &home) { return home + "/" IXOR_FILE_CONNECT; }

}  // namespace

bool publish_local_port(const std::string &home, int port)
{
    return write_ini(server_port_path(home), {{"local", "ipc_port", std::to_string(port)}},
                     IXOR_SAVE_INI, true);
}

bool publish_connect(const std::string &home, const std::string &ip, int port)
{
    return write_ini(connect_path(home),
                     {{"connect", "ip", ip}, {"connect", "port", std::to_string(port)}},
                     IXOR_SAVE_INI, true);
}

void clear_runtime_files(const std::string &home)
{
    remove_locked(server_port_path(home));
    remove_locked(connect_path(home));
}
