// Runs the built ixor-ipc as a child process and captures what it prints.
#ifndef IXOR_TEST_TOOL_RUN_H
#define IXOR_TEST_TOOL_RUN_H

#include <string>
#include <vector>

namespace ixor_test {

struct ToolRun {
    int status = -1;  // exit status, -1 when it did not exit normally
    std::string out;  // line ends as LF on every system
    std::string err;
};

// stdout and stderr go to files in io_dir, which must exist.
ToolRun run_tool(const std::string &io_dir, const std::vector<std::string> &args);

}  // namespace ixor_test

#endif
