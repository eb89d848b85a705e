// Root directory and application home, resolved from real files.
#include "aux_root.h"
#include "ixoraux.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using aux_test::AuxRoot;
using aux_test::save_ini;

namespace {

std::string root_dir()
{
    char *root = get_ixor_root_dir();
    std::string copy = root ? root : "<null>";
    std::free(root);
    return copy;
}

// A buffer pre-filled with a marker, to see whether a failure wrote to it.
struct Buffer {
    char bytes[300];
    Buffer() { std::memset(bytes, '#', sizeof bytes); }
    bool untouched() const
    {
        for (char c : bytes)
            if (c != '#')
                return false;
        return true;
    }
};

TEST(RootDir, ComesFromTheEnvironmentElseTheBuiltInDefault)
{
    {
        ixor_test::ScopedEnv env("IXOR_ROOT_DIR", "/some/where/else");
        EXPECT_EQ(root_dir(), "/some/where/else");
    }
    {
        ixor_test::ScopedEnv env("IXOR_ROOT_DIR", nullptr);
        EXPECT_EQ(root_dir(), IXOR_DEFAULT_ROOT);
    }
    {
        ixor_test::ScopedEnv env("IXOR_ROOT_DIR", "");
        EXPECT_EQ(root_dir(), IXOR_DEFAULT_ROOT);
    }
}

TEST(AppHome, JoinsTheStoredPathToTheRoot)
{
    AuxRoot dot(".");
    Buffer buf;
    ASSERT_EQ(get_apphome_path_main(buf.bytes, sizeof buf.bytes), 0);
    EXPECT_EQ(std::string(buf.bytes), dot.root() + "/.");

    AuxRoot sub("agent/home");
    ASSERT_EQ(get_apphome_path_main(buf.bytes, sizeof buf.bytes), 0);
    EXPECT_EQ(std::string(buf.bytes), sub.root() + "/agent/home");
    EXPECT_FALSE(ixor_test::file_exists(sub.home())) << "the home need not exist";
}

TEST(AppHome, NeedsRoomForTheWholePathAndItsTerminator)
{
    AuxRoot root("agent");
    const std::string expected = root.root() + "/agent";
    const int exact = static_cast<int>(expected.size()) + 1;

    Buffer small;
    EXPECT_NE(get_apphome_path_main(small.bytes, exact - 1), 0);
    EXPECT_TRUE(small.untouched());

    Buffer fits;
    ASSERT_EQ(get_apphome_path_main(fits.bytes, exact), 0);
    EXPECT_EQ(std::string(fits.bytes), expected);
    EXPECT_EQ(fits.bytes[exact], '#') << "nothing written past the terminator";
}

TEST(AppHome, FailsWithoutTouchingTheBufferWhenTheFileSaysNothing)
{
    ixor_test::TempDir dir;
    ixor_test::ScopedEnv env("IXOR_ROOT_DIR", dir.path().c_str());
    const std::string ini = dir.file("ixor_apphome.ini");
    const std::vector<aux_test::IniContent> unusable = {
        {{"apphome", {{"other", "x"}}}},
        {{"elsewhere", {{"path", "x"}}}},
        {{"apphome", {{"path", ""}}}},
    };
    Buffer buf;
    EXPECT_NE(get_apphome_path_main(buf.bytes, sizeof buf.bytes), 0) << "no file";
    EXPECT_NE(get_app_home_dir(ini.c_str(), buf.bytes, sizeof buf.bytes, 0), 0) << "no file";
    for (const auto &content : unusable) {
        save_ini(ini, content);
        EXPECT_NE(get_apphome_path_main(buf.bytes, sizeof buf.bytes), 0);
        EXPECT_NE(get_app_home_dir(ini.c_str(), buf.bytes, sizeof buf.bytes, 1), 0);
    }
    EXPECT_TRUE(buf.untouched());
}

TEST(AppHome, RefusesMissingArguments)
{
    AuxRoot root;
    const std::string ini = root.root() + "/ixor_apphome.ini";
    Buffer buf;
    EXPECT_NE(get_apphome_path_main(nullptr, 260), 0);
    EXPECT_NE(get_apphome_path_main(buf.bytes, 0), 0);
    EXPECT_NE(get_apphome_path_main(buf.bytes, -1), 0);
    EXPECT_NE(get_app_home_dir(nullptr, buf.bytes, sizeof buf.bytes, 0), 0);
    EXPECT_NE(get_app_home_dir(ini.c_str(), nullptr, 260, 0), 0);
    EXPECT_NE(get_app_home_dir(ini.c_str(), buf.bytes, 0, 0), 0);
    EXPECT_TRUE(buf.untouched());
}

TEST(AppHomeDir, GivesTheStoredPathOrOneBesideTheIniFile)
{
    ixor_test::TempDir dir;
    const std::string ini = dir.file("elsewhere/ixor_apphome.ini");
    save_ini(ini, {{"apphome", {{"path", "agent/home"}}}});
    Buffer buf;
    ASSERT_EQ(get_app_home_dir(ini.c_str(), buf.bytes, sizeof buf.bytes, 0), 0);
    EXPECT_EQ(std::string(buf.bytes), "agent/home");
    ASSERT_EQ(get_app_home_dir(ini.c_str(), buf.bytes, sizeof buf.bytes, 1), 0);
    EXPECT_EQ(std::string(buf.bytes), dir.path() + "/elsewhere/agent/home");

    Buffer small;
    EXPECT_NE(get_app_home_dir(ini.c_str(), small.bytes, 10, 0), 0);
    EXPECT_TRUE(small.untouched());
}

}  // namespace
