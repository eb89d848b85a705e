// The two files through which the running proxy tells the library where it
// stands: its local port (server_port.ini) and its upstream (connect.ini).
// Each is written and removed under its lock file. A stopped proxy leaves
// neither, so no reader ever gets a port that nothing listens on.
#ifndef IXOR_PROXY_RUNTIME_FILES_H
#define IXOR_PROXY_RUNTIME_FILES_H

#include <string>

bool publish_local_port(const std::string &home, int port);
bool publish_connect(const std::string &home, const std::string &ip, int port);
void clear_runtime_files(const std::string &home);

#endif
