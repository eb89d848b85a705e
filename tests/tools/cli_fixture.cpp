#include "cli_fixture.h"

#include <algorithm>

namespace ixor_test {

CliTest::CliTest()
    : no_root_("IXOR_ROOT_DIR", nullptr),
      log_dir_("IXOR_LOG_DIR", dir_.file("agent-logs").c_str()),
      sleep_unit_("IXOR_SLEEP_UNIT_MS", "1")
{
    write_file(dir_.file("io/.keep"), "");
}

ToolRun CliTest::ixor(std::vector<std::string> args) const
{
    args.insert(args.begin(), {"--root", root()});
    return ixor_bare(args);
}

ToolRun CliTest::ixor_bare(const std::vector<std::string> &args) const
{
    return run_tool(dir_.file("io"), args);
}

void CliTest::init_with_products(const std::vector<std::string> &codes) const
{
    ASSERT_EQ(ixor({"init"}).status, 0);
    for (const std::string &code : codes)
        ASSERT_EQ(ixor({"product", "add", code}).status, 0) << code;
}

Json CliTest::json(std::vector<std::string> args) const
{
    args.push_back("--json");
    ToolRun run = ixor(args);
    EXPECT_EQ(run.status, 0) << args[0] << ": " << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    return parse_json(run.out);
}

void expect_failure(const ToolRun &run, int status, const std::string &text)
{
    EXPECT_EQ(run.status, status) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
}

}  // namespace ixor_test
