// What differs between the systems: the arguments as UTF-8 and setting the
// root for the libraries.
#ifndef IXOR_IPC_TOOL_OS_H
#define IXOR_IPC_TOOL_OS_H

#include <string>
#include <vector>

// The arguments after the program name, as UTF-8.
std::vector<std::string> tool_args(int argc, char **argv);
// Sets IXOR_ROOT_DIR for this process, where the libraries read it.
bool set_root_env(const std::string &root);

#endif
