#include "tool_run.h"

#include "ixor_test_support.h"

namespace ixor_test {
namespace {

// The C runtime of Windows writes LF as CRLF on text streams.
std::string lf(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (c != '\r')
            out.push_back(c);
    }
    return out;
}

}  // namespace

ToolRun run_tool(const std::string &io_dir, const std::vector<std::string> &args)
{
    const std::string out = io_dir + "/out", err = io_dir + "/err";
    const int status = run_beside(IXOR_IPC_TOOL_NAME, args, out, err);
    return {status, lf(read_file(out)), lf(read_file(err))};
}

}  // namespace ixor_test
