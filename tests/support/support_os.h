// What the shared helpers take from the per-system files.
#ifndef IXOR_TEST_SUPPORT_OS_H
#define IXOR_TEST_SUPPORT_OS_H

#include <string>
#include <vector>

namespace ixor_test::os {

// The program's arguments as UTF-8, whatever code page the system uses.
std::vector<std::string> program_args(int argc, char **argv);

}  // namespace ixor_test::os

#endif
