// Loads the shipped library at run time, the way a product module does,
// and finds the exports under their plain C names.
#include <gtest/gtest.h>

#include <string>

#include "ixor_test_support.h"

#if defined(_WIN32)
#include <windows.h>
static void *open_library() { return (void *)LoadLibraryW(L"libixor_ipc.dll"); }
static std::string load_error() { return std::to_string(GetLastError()); }
static void *find(void *lib, const char *name)
{
    return (void *)GetProcAddress((HMODULE)lib, name);
}
#else
#include <dlfcn.h>
// By full path: a sanitizer's interposed dlopen would not search beside
// the program.
static void *open_library() { return dlopen(IXOR_IPC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL); }
static std::string load_error() { return dlerror(); }
static void *find(void *lib, const char *name) { return dlsym(lib, name); }
#endif

TEST(DynamicLoad, AllExportsByPlainName)
{
    void *lib = open_library();
    ASSERT_NE(lib, nullptr) << load_error();
    const char *names[] = {"ixor_change_ipcproxy_addrport",   "ixor_remove_product_config",
                           "ixor_get_ipcproxy_addrport",      "regenerate_ipc_proxy_conf_restart",
                           "is_running_hvk",                  "ixor_get_ipcproxy_connectaddr",
                           "ixor_get_ipcproxy_localport"};
    for (const char *name : names) {
        EXPECT_NE(find(lib, name), nullptr) << name;
    }
    EXPECT_EQ(find(lib, "ixor_apply_ipcproxy_conf"), nullptr) << "internal steps stay inside";
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
    ASSERT_NE(lib, nullptr) << load_error();
    auto localport = reinterpret_cast<int (*)(void)>(find(lib, "ixor_get_ipcproxy_localport"));
    ASSERT_NE(localport, nullptr);
    EXPECT_EQ(localport(), 17001);
}
