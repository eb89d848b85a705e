// Writing the proxy configuration: the change flag, when the file is saved,
// and what survives a rewrite.
#include <gtest/gtest.h>

#include <algorithm>

#include "fake_platform.h"
#include "frame_paths.h"
#include "ixor_ipc_internal.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kSave = "ixor_ini_file_save " + paths::proxy_conf + " 0";

size_t saves()
{
    return size_t(std::count(fake::calls().begin(), fake::calls().end(), kSave));
}

class Generate : public ::testing::Test {
protected:
    void SetUp() override { fake::reset(); }
    unsigned char flag = 7;
};

TEST_F(Generate, FirstWriteCreatesTheFile)
{
    EXPECT_EQ(ixor_generate_ipcproxy_conf("127.0.0.11", 8080, 0, &flag), 0);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(fake::tails(), Lines{"config change status: 1\n"});
    EXPECT_EQ(fake::platform().files[paths::proxy_conf],
              "[config]\naddr=127.0.0.11\nport=8080\nuid=0\n");
    EXPECT_EQ(fake::calls().front(), "get_apphome_path_main");
    EXPECT_EQ(fake::calls()[1], "ixor_flock_init " + paths::proxy_conf + ".lock");
    EXPECT_EQ(fake::platform().locks_held, 0);
}

TEST_F(Generate, SameValuesLeaveTheFileAlone)
{
    ASSERT_EQ(ixor_generate_ipcproxy_conf("127.0.0.11", 8080, 3, &flag), 0);
    fake::reset();
    fake::put_file(paths::proxy_conf, "[config]\naddr=127.0.0.11\nport=8080\nuid=3\n");
    EXPECT_EQ(ixor_generate_ipcproxy_conf("127.0.0.11", 8080, 3, &flag), 0);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(fake::tails(), Lines{"config change status: 0\n"});
    EXPECT_EQ(saves(), 0u);
}

TEST_F(Generate, AnyDifferenceRewrites)
{
    struct Case {
        const char *existing;
        const char *addr;
        int port, uid;
    };
    const Case cases[] = {
        {"[config]\naddr=127.0.0.11\nport=8080\nuid=3\n", "127.0.0.11", 8080, 4},
        {"[config]\naddr=127.0.0.11\nport=8080\nuid=3\n", "127.0.0.11", 8081, 3},
        {"[config]\naddr=Host\nport=8080\nuid=3\n", "host", 8080, 3},
        {"[config]\naddr=host\nport=8080\nuid=3\n", "host ", 8080, 3},
        {"[config]\nport=8080\nuid=3\n", "host", 8080, 3},
        {"[other]\naddr=host\nport=8080\nuid=3\n", "host", 8080, 3},
    };
    for (const Case &c : cases) {
        fake::reset();
        fake::put_file(paths::proxy_conf, c.existing);
        flag = 9;
        EXPECT_EQ(ixor_generate_ipcproxy_conf(c.addr, c.port, c.uid, &flag), 0) << c.existing;
        EXPECT_EQ(flag, 1) << c.existing;
        EXPECT_EQ(saves(), 1u) << c.existing;
    }
}

TEST_F(Generate, OtherSectionsAndKeysSurvive)
{
    fake::put_file(paths::proxy_conf, "[log]\nlevel=3\n[config]\nextra=yes\naddr=a\n");
    EXPECT_EQ(ixor_generate_ipcproxy_conf("b", 1, -2, nullptr), 0);
    EXPECT_EQ(fake::platform().files[paths::proxy_conf],
              "[log]\nlevel=3\n\n[config]\nextra=yes\naddr=b\nport=1\nuid=-2\n");
}

TEST_F(Generate, InvalidArgumentsKeepTheFlag)
{
    EXPECT_EQ(ixor_generate_ipcproxy_conf("a", 0, 0, &flag), -1);
    EXPECT_EQ(ixor_generate_ipcproxy_conf(nullptr, 80, 0, &flag), -1);
    EXPECT_EQ(flag, 7);
    EXPECT_EQ(fake::tails(),
              Lines(2, "ixor_generate_ipcproxy_conf failed: invalid parameter\n"));
    EXPECT_TRUE(fake::calls().empty());
}

TEST_F(Generate, MissingHomeKeepsTheFlag)
{
    fake::platform().apphome_result = 1;
    EXPECT_EQ(ixor_generate_ipcproxy_conf("a", 80, 0, &flag), -1);
    EXPECT_EQ(flag, 7);
    EXPECT_EQ(fake::tails(), Lines{"ixor_apphome.ini not exists.\n"});
}

TEST_F(Generate, FailuresAfterTheLockAttemptSetTheFlag)
{
    fake::platform().lock_acquire_fails = true;
    EXPECT_EQ(ixor_generate_ipcproxy_conf("a", 80, 0, &flag), -1);
    EXPECT_EQ(flag, 1);
    std::vector<std::string> tail(fake::calls().end() - 5, fake::calls().end());
    EXPECT_EQ(tail, (std::vector<std::string>{"ixor_flock_acquire", "ixor_flock_destroy",
                                              "ixor_ini_file_free null",
                                              "ixor_flock_release null",
                                              "ixor_flock_destroy null"}));

    fake::reset();
    fake::put_file(paths::proxy_conf, "[config]\naddr=a\nport=80\nuid=0\n");
    fake::platform().load_fails.insert(paths::proxy_conf);
    flag = 0;
    EXPECT_EQ(ixor_generate_ipcproxy_conf("a", 80, 0, &flag), -1);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(fake::tails(), Lines{"ixor_ini_file_load failed\n"});

    fake::reset();
    fake::platform().save_fails.insert(paths::proxy_conf);
    flag = 0;
    EXPECT_EQ(ixor_generate_ipcproxy_conf("a", 80, 0, &flag), -1);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(fake::tails(), (Lines{"config change status: 1\n", "ixor_ini_file_save failed\n"}));
    EXPECT_EQ(fake::platform().locks_held, 0);
}

}  // namespace
