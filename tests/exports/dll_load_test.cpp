// Loads the shipped library at run time by file name, the way a product
// module does, and calls an export through the pointer its plain name gives.
#include <gtest/gtest.h>

#include "ixor_test_support.h"

TEST(DynamicLoad, CallThroughThePointerOfAPlainName)
{
    ixor_test::TempDir root;
    ixor_test::ScopedEnv env("IXOR_ROOT_DIR", root.path().c_str());
    ixor_test::ScopedEnv logs("IXOR_LOG_DIR", root.file("logs").c_str());
    ixor_test::write_file(root.file("ixor_apphome.ini"), "[apphome]\npath=.\n");
    ixor_test::write_file(root.file("config/ixor_ipcproxy/server_port.ini"),
                          "[local]\nipc_port=17001\n");
    void *lib = ixor_test::load_library(IXOR_IPC_LIBRARY_PATH);
    ASSERT_NE(lib, nullptr) << ixor_test::load_error();
    const auto localport =
        reinterpret_cast<int (*)(void)>(ixor_test::find_symbol(lib, "ixor_get_ipcproxy_localport"));
    ASSERT_NE(localport, nullptr);
    EXPECT_EQ(localport(), 17001);
}
