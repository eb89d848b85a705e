// The few operating system calls the helpers need, one file per system.
#ifndef IXOR_TEST_SUPPORT_OS_H
#define IXOR_TEST_SUPPORT_OS_H

#include <string>
#include <vector>

namespace ixor_test::os {

void set_env(const std::string &name, const std::string &value);
void unset_env(const std::string &name);

// Nanoseconds since 1970 as the file system records them; -1 when absent.
long long file_mtime_ns(const std::string &utf8_path);

int current_pid();

// The program's arguments as UTF-8, whatever code page the system uses.
std::vector<std::string> program_args(int argc, char **argv);

}  // namespace ixor_test::os

#endif
