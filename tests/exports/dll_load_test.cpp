// Loads the shipped library at run time, the way a product module does,
// and finds the exports under their plain C names.
#include <gtest/gtest.h>

#include <string>

#include "ixor_test_support.h"

namespace {

void *open_library()
{
    return ixor_test::load_library(IXOR_IPC_LIBRARY_PATH);
}

}  // namespace

TEST(DynamicLoad, AllExportsByPlainName)
{
    void *lib = open_library();
    ASSERT_NE(lib, nullptr) << ixor_test::load_error();
    const char *names[] = {"ixor_change_ipcproxy_addrport",   "ixor_remove_product_config",
                           "ixor_get_ipcproxy_addrport",      "regenerate_ipc_proxy_conf_restart",
                           "is_running_hvk",                  "ixor_get_ipcproxy_connectaddr",
                           "ixor_get_ipcproxy_localport"};
    for (const char *name : names) {
        EXPECT_NE(ixor_test::find_symbol(lib, name), nullptr) << name;
    }
    EXPECT_EQ(ixor_test::find_symbol(lib, "ixor_apply_ipcproxy_conf"), nullptr) << "internal steps stay inside";
}

TEST(DynamicLoad, CallThroughTheLoadedPointer)
{
    ixor_test::TempDir root;
    ixor_test::ScopedEnv env("IXOR_ROOT_DIR", root.path().c_str());
    ixor_test::ScopedEnv logs("IXOR_LOG_DIR", (root.path() + "/logs").c_str());
    ixor_test::write_file(root.file("ixor_apphome.ini"), "[apphome]\npath=.\n");
    ixor_test::write_file(root.file("config/ixor_ipcproxy/server_port.ini"),
                          "[local]\nipc_port=17001\n");
    void *lib = open_library();
    ASSERT_NE(lib, nullptr) << ixor_test::load_error();
    auto localport = reinterpret_cast<int (*)(void)>(ixor_test::find_symbol(lib, "ixor_get_ipcproxy_localport"));
    ASSERT_NE(localport, nullptr);
    EXPECT_EQ(localport(), 17001);
}
