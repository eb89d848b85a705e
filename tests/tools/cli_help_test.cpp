// --help of the tool and of every command, and JSON from the commands that
// change something.
#include "cli_fixture.h"

namespace {

using ixor_test::CliTest;
using ixor_test::ToolRun;

using Help = CliTest;

const std::vector<std::string> all_commands = {
    "register", "remove",      "lookup", "status", "regenerate",     "hvk",
    "connect-addr", "local-port", "init", "product add", "product remove", "listen"};

std::vector<std::string> words(const std::string &name)
{
    size_t space = name.find(' ');
    if (space == std::string::npos)
        return {name};
    return {name.substr(0, space), name.substr(space + 1)};
}

TEST_F(Help, EveryCommandExplainsItselfWithoutTouchingTheRoot)
{
    for (const std::string &name : all_commands) {
        SCOPED_TRACE(name);
        std::vector<std::string> args = words(name);
        args.push_back("--help");
        ToolRun run = ixor(args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out.rfind("usage: ixor-ipc [--root DIR] [--json] " + name, 0), 0u)
            << run.out;
        EXPECT_NE(run.out.find("Exit status"), std::string::npos);
    }
    EXPECT_FALSE(ixor_test::file_exists(root()));
}

TEST_F(Help, OverviewListsEveryCommand)
{
    ToolRun run = ixor_bare({"--help"});
    EXPECT_EQ(run.status, 0);
    for (const std::string &name : all_commands)
        EXPECT_NE(run.out.find("\n  " + name + " "), std::string::npos) << name;
}

TEST_F(Help, ChangesAnswerInJson)
{
    EXPECT_EQ(json({"init"})["home"].text, root() + "/.");
    EXPECT_EQ(json({"product", "add", "P1"})["result"].number, 0);
    EXPECT_EQ(json({"register", "P1", "50", "127.0.0.1", "1001", "9"})["result"].number, 0);
    ixor_test::Json lookup = json({"lookup", "P1"});
    EXPECT_EQ(lookup["addr"].text, "127.0.0.1");
    EXPECT_EQ(lookup["port"].number, 1001);
    EXPECT_EQ(lookup["uid"].number, 9);
    EXPECT_EQ(json({"remove", "P1"})["result"].number, 0);
    EXPECT_EQ(json({"product", "remove", "P1"})["result"].number, 0);
}

}  // namespace
