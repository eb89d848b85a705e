// Running out of memory anywhere inside an export of the platform libraries
// gives that export's failure result: no exception reaches the C caller.
// This program's operator new fails on request; where the libraries carry
// their own (a Windows DLL with a static runtime), the calls just succeed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>

#include "agent_root.h"
#include "ixoraux.h"
#include "ixorbase_handles.h"

namespace {

// Allocations still allowed before one fails; -1 for no limit.
int allocations_left = -1;
int refused = 0;  // allocations failed so far

}  // namespace

void *operator new(std::size_t size)
{
    if (allocations_left == 0) {
        ++refused;
        throw std::bad_alloc();
    }
    if (allocations_left > 0)
        --allocations_left;
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void *operator new(std::size_t size, const std::nothrow_t &) noexcept
{
    try {
        return operator new(size);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

void operator delete(void *p) noexcept { std::free(p); }

void operator delete(void *p, std::size_t) noexcept { std::free(p); }

namespace {

using ixor_test::AgentRoot;

// Lets the call have one more allocation each time until it succeeds; on
// the way it may fail, but never by throwing, and it succeeds only once no
// allocation of its own was refused.
void expect_clean_failures(const char *what, const std::function<bool()> &succeeded)
{
    for (int allowed = 0; allowed < 500; ++allowed) {
        allocations_left = allowed;
        const int refused_before = refused;
        bool done = false;
        try {
            done = succeeded();
        } catch (...) {
            allocations_left = -1;
            ADD_FAILURE() << what << " threw after " << allowed << " allocations";
            return;
        }
        allocations_left = -1;
        if (done) {
            EXPECT_EQ(refused, refused_before) << what << " succeeded without memory";
            return;
        }
    }
    ADD_FAILURE() << what << " never succeeded";
}

TEST(OutOfMemory, EveryExportFailsCleanly)
{
    AgentRoot agent;
    // Every text the calls take is made before any allocation may fail.
    const std::string conf = agent.home() + "/config/conf.eni";
    const std::string lock_file = conf + ".lock";
    const std::string apphome_ini = agent.root() + "/ixor_apphome.ini";
    const std::string logs = agent.root() + "/logs";
    ixorbase::IniPtr ini(ixor_ini_file_load(nullptr));
    char buf[260];
    int count = 0;
    const int pid = ixor::os::current_pid();
    const auto walk = [](ixor_ini *, const char *, void *) { return 0; };
    const auto root = [] {
        char *dir = get_ixor_root_dir();
        std::free(dir);
        return dir != nullptr;
    };
    bool lockless = false;  // an init that succeeded without a lock
    const auto lock = [&] {
        ixor_flock *handle = nullptr;
        const bool done = ixor_flock_init(lock_file.c_str(), &handle) == 0;
        lockless |= done && !handle;
        ixor_flock_destroy(handle);
        return done;
    };
    const std::pair<const char *, std::function<bool()>> calls[] = {
        {"add_product_register", [] { return add_product_register("P1") == 0; }},
        {"is_product_register", [] { return is_product_register("P1") == 1; }},
        {"is_product_installed", [] { return is_product_installed("P1") == 0; }},
        {"get_apphome_path_main", [&] { return get_apphome_path_main(buf, sizeof buf) == 0; }},
        {"get_app_home_dir",
         [&] { return get_app_home_dir(apphome_ini.c_str(), buf, sizeof buf, 1) == 0; }},
        {"get_ixor_root_dir", root},
        {"ixor_ini_file_set", [&] { return ixor_ini_file_set(ini.get(), "s", "k", "v") == 0; }},
        {"ixor_ini_file_set_int",
         [&] { return ixor_ini_file_set_int(ini.get(), "s", "n", 1234567) == 0; }},
        {"ixor_ini_file_save", [&] { return ixor_ini_file_save(ini.get(), conf.c_str(), 1) == 0; }},
        {"ixor_ini_file_load",
         [&] { return ixorbase::IniPtr(ixor_ini_file_load(conf.c_str())) != nullptr; }},
        {"ixor_ini_file_foreach",
         [&] { return ixor_ini_file_foreach(ini.get(), nullptr, walk) == 0; }},
        {"install_ixor_process", [&] { return install_ixor_process("ipc_proxy", ini.get()) == 0; }},
        {"is_ixor_process_config_exists",
         [] { return is_ixor_process_config_exists("ipc_proxy") == 1; }},
        {"uninstall_ixor_process", [] { return uninstall_ixor_process("ipc_proxy") == 0; }},
        {"remove_product_register", [] { return remove_product_register("P1") == 0; }},
        {"ixor_str_split", [&] { return ixor_str_split("a;b;c", ";", &count) != nullptr; }},
        {"ixor_path_is_exist_u", [&] { return ixor_path_is_exist_u(conf.c_str()) == 1; }},
        {"ixor_process_get_path", [&] { return ixor_process_get_path(pid, buf, sizeof buf) == 0; }},
        {"ixor_autolog_init", [&] { return ixor_autolog_init(logs.c_str(), 5) == 0; }},
        {"ixor_log_output", [] { return ixor_log_output(0, "line %d\n", 1) == 0; }},
        {"ixor_flock_init", lock},
    };
    for (const auto &[what, call] : calls)
        expect_clean_failures(what, call);
    // A failure reported as success would have stopped a sweep early.
    EXPECT_FALSE(lockless);
    EXPECT_EQ(is_product_register("P1"), 0);
    EXPECT_EQ(is_ixor_process_config_exists("ipc_proxy"), 0);
}

// What the library decides on when memory runs out: a walk that it does
// not check sees every section, and a product question that cannot tell
// answers "present" (non-zero) at every point where an allocation fails.
TEST(OutOfMemory, AnswersThatCannotBeToldAreTheSafeOnes)
{
    AgentRoot agent;
    agent.register_product("HVK");
    ixor_test::write_file(agent.home() + "/config/product_installed.eni", "[HVK]\nversion=1\n");
    const std::string registered_file = agent.home() + "/config/product_register.eni";
    ixorbase::IniPtr ini(ixor_ini_file_load(registered_file.c_str()));
    ASSERT_TRUE(ini);
    ixor_ini_file_set(ini.get(), "more", "k", "v");
    int visited = 0;
    const auto count = [](ixor_ini *, const char *, void *n) {
        ++*static_cast<int *>(n);
        return 0;
    };
    allocations_left = 0;
    const int walked = ixor_ini_file_foreach(ini.get(), &visited, count);
    allocations_left = -1;
    EXPECT_EQ(walked, 0);
    EXPECT_EQ(visited, 3) << "HVK, count and more";
    for (int allowed = 0; allowed < 200; ++allowed) {
        SCOPED_TRACE(allowed);
        allocations_left = allowed;
        const int registered = is_product_register("HVK");
        allocations_left = allowed;
        const int installed = is_product_installed("HVK");
        allocations_left = -1;
        EXPECT_NE(registered, 0);
        EXPECT_NE(installed, 0);
    }
}

}  // namespace
