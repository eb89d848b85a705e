#include "fake_platform.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "ini_handle.h"
#include "ixoraux.h"
#include "ixorbase.h"

struct ixor_flock {};

namespace fake {

Platform &platform()
{
    static Platform instance;
    return instance;
}

void reset() { platform() = Platform(); }

size_t count(const std::string &call)
{
    return size_t(std::count(platform().calls.begin(), platform().calls.end(), call));
}

bool handed_over()
{
    const Lines &c = platform().calls;
    const auto hvk = std::find(c.begin(), c.end(), "is_product_register HVK");
    return hvk != c.end() && hvk - c.begin() >= 2 && *(hvk - 2) == "ixor_flock_release" &&
           *(hvk - 1) == "ixor_flock_destroy";
}

Lines tails()
{
    Lines out;
    for (const LogLine &line : platform().lines) {
        // The prefix ends with the "[file:line] " group.
        size_t at = line.text.find("] ", line.text.find("[pux] ") + 6);
        out.push_back(at == std::string::npos ? line.text : line.text.substr(at + 2));
    }
    return out;
}

std::string file(const std::string &path)
{
    auto found = platform().files.find(path);
    return found == platform().files.end() ? "<absent>" : found->second;
}

}  // namespace fake

namespace {

fake::Platform &p() { return fake::platform(); }

void record(const std::string &call) { p().calls.push_back(call); }

// A call on a handle, marked when the handle is null.
std::string on(const char *call, const void *h) { return h ? call : std::string(call) + " null"; }

int copy_out(const std::string &text, char *buf, int size)
{
    std::snprintf(buf, size_t(size), "%s", text.c_str());
    return 0;
}

}  // namespace

extern "C" {

int ixor_log_is_regestered(void) noexcept { return p().log_registered ? 1 : 0; }

char *ixor_log_dir(char *buf, int size) noexcept
{
    record("ixor_log_dir");
    return p().log_dir != nullptr && copy_out(p().log_dir, buf, size) == 0 ? buf : nullptr;
}

int ixor_autolog_init(const char *dir, int keep) noexcept
{
    record("ixor_autolog_init " + std::to_string(keep));
    p().autolog_dirs.push_back(dir);
    return 0;
}

int ixor_log_level_get(void) noexcept { return p().log_level; }

int ixor_log_output(int level, const char *format, ...) noexcept
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    p().lines.push_back({level, text});
    return 0;
}

int ixor_process_get_path(int, char *buf, int size) noexcept
{
    record("ixor_process_get_path");
    return copy_out(p().process_path, buf, size);
}

int ixor_path_is_exist_u(const char *path) noexcept
{
    record(std::string("ixor_path_is_exist_u ") + path);
    return p().files.count(path) != 0;
}

void ixor_sleep(int seconds) noexcept { record("ixor_sleep " + std::to_string(seconds)); }

// Without a path, a new empty document.
ixor_ini *ixor_ini_file_load(const char *path) noexcept
{
    record(std::string("ixor_ini_file_load ") + (path ? path : "(null)"));
    if (path != nullptr && (p().files.count(path) == 0 || p().load_fails.count(path) != 0)) {
        return nullptr;
    }
    return new ixor_ini{ixorbase::IniDocument::parse(path ? p().files[path] : "")};
}

int ixor_ini_file_save(ixor_ini *ini, const char *path, int flag) noexcept
{
    record(std::string("ixor_ini_file_save ") + path + " " + std::to_string(flag));
    if (p().save_fails.count(path) != 0 || !ini->doc.serializable()) {
        return -1;
    }
    p().files[path] = ini->doc.serialize();
    return 0;
}

void ixor_ini_file_free(ixor_ini *ini) noexcept
{
    record(on("ixor_ini_file_free", ini));
    delete ini;
}

int ixor_flock_init(const char *path, ixor_flock **lock) noexcept
{
    record(std::string("ixor_flock_init ") + path);
    if (!p().lock_init_fails) {
        *lock = new ixor_flock();
    }
    return p().lock_init_fails ? -1 : 0;
}

int ixor_flock_acquire(ixor_flock *lock) noexcept
{
    record(on("ixor_flock_acquire", lock));
    return lock == nullptr || p().lock_acquire_fails ? -1 : 0;
}

void ixor_flock_release(ixor_flock *lock) noexcept { record(on("ixor_flock_release", lock)); }

void ixor_flock_destroy(ixor_flock *lock) noexcept
{
    record(on("ixor_flock_destroy", lock));
    delete lock;
}

char *get_ixor_root_dir(void) noexcept
{
    record("get_ixor_root_dir");
    return p().root_null ? nullptr : strdup("/agent");
}

int get_app_home_dir(const char *apphome_ini, char *buf, int size, int absolute) noexcept
{
    record(std::string("get_app_home_dir ") + apphome_ini + " " + std::to_string(absolute));
    return p().app_home_dir_result != 0 ? p().app_home_dir_result : copy_out("home", buf, size);
}

int get_apphome_path_main(char *buf, int size) noexcept
{
    record("get_apphome_path_main");
    return p().apphome_result != 0 ? p().apphome_result : copy_out("/agent/home", buf, size);
}

int is_product_register(const char *code) noexcept
{
    record(std::string("is_product_register ") + code);
    return p().registered.count(code) != 0;
}

int is_product_installed(const char *code) noexcept
{
    record(std::string("is_product_installed ") + code);
    return p().installed.count(code) != 0;
}

int is_ixor_process_config_exists(const char *name) noexcept
{
    record(std::string("is_ixor_process_config_exists ") + name);
    return p().processes.count(name) != 0;
}

int install_ixor_process(const char *name, ixor_ini *startup) noexcept
{
    record(std::string("install_ixor_process ") + name);
    if (p().install_result == 0) {
        p().processes[name] = startup->doc.serialize();
    }
    return p().install_result;
}

int uninstall_ixor_process(const char *name) noexcept
{
    record(std::string("uninstall_ixor_process ") + name);
    if (p().uninstall_result == 0) {
        p().processes.erase(name);
    }
    return p().uninstall_result;
}

}  // extern "C"
