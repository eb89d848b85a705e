// Root directory and application home, resolved from real files.
#include "aux_root.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace aux_test;

namespace {

// A buffer pre-filled with a marker, to see whether a failure wrote to it.
struct Buffer {
    char bytes[300];
    Buffer() { std::memset(bytes, '#', sizeof bytes); }
    bool untouched() const { return std::string(bytes, sizeof bytes) == std::string(300, '#'); }
};

TEST(RootDir, ComesFromTheEnvironmentElseTheBuiltInDefault)
{
    const std::pair<const char *, const char *> cases[] = {
        {"/some/where/else", "/some/where/else"}, {nullptr, IXOR_DEFAULT_ROOT},
        {"", IXOR_DEFAULT_ROOT}};
    for (const auto &[value, expected] : cases) {
        ixor_test::ScopedEnv env("IXOR_ROOT_DIR", value);
        char *root = get_ixor_root_dir();
        EXPECT_STREQ(root, expected);
        std::free(root);
    }
}

// The home is the root, "/" and the stored path, which need not exist; the
// buffer needs room for all of it and the terminator.
TEST(AppHome, JoinsTheStoredPathToTheRoot)
{
    for (const char *stored : {".", "agent/home"}) {
        AuxRoot root(stored);
        const std::string expected = root.root() + "/" + stored;
        const int exact = static_cast<int>(expected.size()) + 1;
        Buffer small, fits;
        EXPECT_NE(get_apphome_path_main(small.bytes, exact - 1), 0);
        EXPECT_TRUE(small.untouched());
        ASSERT_EQ(get_apphome_path_main(fits.bytes, exact), 0);
        EXPECT_EQ(std::string(fits.bytes), expected);
        EXPECT_EQ(fits.bytes[exact], '#') << "nothing written past the terminator";
        EXPECT_FALSE(file_exists(root.root() + "/agent"));
    }
}

// A missing file, key or value and missing arguments fail both queries
// and leave the buffer as it was.
TEST(AppHome, FailsWithoutTouchingTheBuffer)
{
    TempDir dir;
    ixor_test::ScopedEnv env("IXOR_ROOT_DIR", dir.path().c_str());
    const std::string ini = dir.file("ixor_apphome.ini");
    Buffer buf;
    for (const char *text :
         {"", "[apphome]\nother=x\n", "[elsewhere]\npath=x\n", "[apphome]\npath=\n"}) {
        if (*text)
            write_file(ini, text);
        EXPECT_NE(get_apphome_path_main(buf.bytes, sizeof buf.bytes), 0) << text;
        for (const int absolute : {0, 1})
            EXPECT_NE(get_app_home_dir(ini.c_str(), buf.bytes, sizeof buf.bytes, absolute), 0);
    }
    write_file(ini, "[apphome]\npath=home\n");
    EXPECT_NE(get_apphome_path_main(nullptr, 260), 0);
    EXPECT_NE(get_apphome_path_main(buf.bytes, 0), 0);
    EXPECT_NE(get_apphome_path_main(buf.bytes, -1), 0);
    EXPECT_NE(get_app_home_dir(nullptr, buf.bytes, sizeof buf.bytes, 0), 0);
    EXPECT_NE(get_app_home_dir(ini.c_str(), nullptr, 260, 0), 0);
    EXPECT_NE(get_app_home_dir(ini.c_str(), buf.bytes, 0, 0), 0);
    EXPECT_NE(get_app_home_dir(ini.c_str(), buf.bytes, 4, 0), 0) << "no room for the terminator";
    EXPECT_TRUE(buf.untouched());
}

TEST(AppHomeDir, GivesTheStoredPathOrOneBesideTheIniFile)
{
    TempDir dir;
    const std::string ini = dir.file("elsewhere/ixor_apphome.ini");
    write_file(ini, "[apphome]\npath=agent/home\n");
    Buffer buf;
    ASSERT_EQ(get_app_home_dir(ini.c_str(), buf.bytes, sizeof buf.bytes, 0), 0);
    EXPECT_EQ(std::string(buf.bytes), "agent/home");
    ASSERT_EQ(get_app_home_dir(ini.c_str(), buf.bytes, sizeof buf.bytes, 1), 0);
    EXPECT_EQ(std::string(buf.bytes), dir.path() + "/elsewhere/agent/home");
}

}  // namespace
