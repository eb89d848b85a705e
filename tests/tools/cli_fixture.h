// A temporary agent root driven through the built ixor-ipc.
#ifndef IXOR_TEST_CLI_FIXTURE_H
#define IXOR_TEST_CLI_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ixor_test_support.h"
#include "json_reader.h"
#include "tool_run.h"

namespace ixor_test {

class CliTest : public ::testing::Test {
protected:
    CliTest();
    std::string root() const { return dir_.file("root"); }
    std::string ipc(const std::string &name) const
    {
        return root() + "/config/ixor_ipcproxy/" + name;
    }
    // The tool on this root (--root is added), or with the arguments alone.
    ToolRun ixor(std::vector<std::string> args) const;
    ToolRun ixor_bare(const std::vector<std::string> &args) const;
    // init followed by "product add" of each code; every step must succeed.
    void init_with_products(const std::vector<std::string> &codes) const;
    // The --json output of a command that must succeed.
    Json json(std::vector<std::string> args) const;

private:
    TempDir dir_;
    ScopedEnv no_root_;
    ScopedEnv log_dir_;
    ScopedEnv sleep_unit_;
};

// Fails the test unless the run failed with the status, printed nothing on
// stdout and one line on stderr holding the text.
void expect_failure(const ToolRun &run, int status, const std::string &text);

}  // namespace ixor_test

#endif
