// Root folder and application home, resolved from real files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "agent_root.h"
#include "ixoraux.h"

using namespace ixor_test;

namespace {

// A buffer pre-filled with a marker, to see whether a call wrote to it.
struct Buffer {
    char bytes[300];
    Buffer() { std::memset(bytes, '#', sizeof bytes); }
    bool untouched() const { return std::string(bytes, sizeof bytes) == std::string(300, '#'); }
};

TEST(RootDir, ComesFromTheEnvironmentElseTheBuiltInDefault)
{
    const std::pair<const char *, const char *> cases[] = {{"/some/where/else", "/some/where/else"},
                                                           {nullptr, IXOR_DEFAULT_ROOT},
                                                           {"", IXOR_DEFAULT_ROOT}};
    for (const auto &[value, expected] : cases) {
        ScopedEnv env("IXOR_ROOT_DIR", value);
        char *root = get_ixor_root_dir();
        EXPECT_STREQ(root, expected);
        std::free(root);
    }
}

// The home is the root, "/" and the stored path; the buffer needs room
// for all of it and the terminator, or is left as it was.
TEST(AppHome, JoinsTheStoredPathToTheRoot)
{
    AgentRoot agent;
    for (const char *stored : {".", "agent/home"}) {
        agent.move_home(stored);
        const int exact = static_cast<int>(agent.home().size()) + 1;
        Buffer small, fits;
        EXPECT_NE(get_apphome_path_main(small.bytes, exact - 1), 0);
        EXPECT_TRUE(small.untouched());
        ASSERT_EQ(get_apphome_path_main(fits.bytes, exact), 0);
        EXPECT_EQ(std::string(fits.bytes), agent.home());
        EXPECT_EQ(fits.bytes[exact], '#') << "nothing written past the terminator";
    }
    Buffer buf;
    ASSERT_EQ(get_app_home_dir((agent.root() + "/ixor_apphome.ini").c_str(), buf.bytes, 260, 0), 0);
    EXPECT_STREQ(buf.bytes, "agent/home");
    ASSERT_EQ(get_app_home_dir((agent.root() + "/ixor_apphome.ini").c_str(), buf.bytes, 260, 1), 0);
    EXPECT_EQ(std::string(buf.bytes), agent.home());
}

// No home below which the longest path that callers compose would be cut.
TEST(AppHome, HomesTooLongForThePathsBelowThemAreRefused)
{
    AgentRoot agent;
    const std::string apphome_ini = agent.root() + "/ixor_apphome.ini";
    const size_t longest = IXORAUX_PATH_MAX - 1 - IXORAUX_HOME_TAIL_MAX;
    for (const size_t extra : {0, 1}) {
        agent.move_home(std::string(longest + extra - agent.root().size() - 1, 'h'));
        char buf[300];
        EXPECT_EQ(get_apphome_path_main(buf, sizeof buf), -static_cast<int>(extra)) << extra;
        EXPECT_EQ(get_app_home_dir(apphome_ini.c_str(), buf, sizeof buf, 0),
                  -static_cast<int>(extra));
    }
}

// A missing file, section, key or value fails both queries and leaves the
// buffer as it was.
TEST(AppHome, FailsWithoutTouchingTheBuffer)
{
    TempDir dir;
    ScopedEnv env("IXOR_ROOT_DIR", dir.path().c_str());
    const std::string ini = dir.file("ixor_apphome.ini");
    Buffer buf;
    for (const char *text :
         {"", "[apphome]\nother=x\n", "[elsewhere]\npath=x\n", "[apphome]\npath=\n"}) {
        if (*text)
            write_file(ini, text);
        EXPECT_NE(get_apphome_path_main(buf.bytes, sizeof buf.bytes), 0) << text;
        EXPECT_NE(get_app_home_dir(ini.c_str(), buf.bytes, sizeof buf.bytes, 1), 0) << text;
    }
    write_file(ini, "[apphome]\npath=home\n");
    EXPECT_NE(get_apphome_path_main(nullptr, 260), 0);
    EXPECT_NE(get_apphome_path_main(buf.bytes, 0), 0);
    EXPECT_NE(get_app_home_dir(ini.c_str(), buf.bytes, 4, 0), 0) << "no room for the terminator";
    EXPECT_TRUE(buf.untouched());
}

}  // namespace
