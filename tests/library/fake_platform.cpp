#include "fake_platform.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ini_document.h"
#include "ixoraux.h"
#include "ixorbase.h"

struct ixor_ini {
    ixorbase::IniDocument doc;
};

struct ixor_flock {
    std::string path;
    bool held = false;
};

namespace fake {

Platform &platform()
{
    static Platform instance;
    return instance;
}

void reset() { platform() = Platform(); }

const std::vector<std::string> &calls() { return platform().calls; }

size_t count(const std::string &call)
{
    return size_t(std::count(platform().calls.begin(), platform().calls.end(), call));
}

std::vector<std::string> tails()
{
    std::vector<std::string> out;
    for (const LogLine &line : platform().lines) {
        // The prefix ends with the "[file:line] " group.
        size_t at = line.text.find("] ", line.text.find("[pux] ") + 6);
        out.push_back(at == std::string::npos ? line.text : line.text.substr(at + 2));
    }
    return out;
}

void put_file(const std::string &path, const std::string &text) { platform().files[path] = text; }

std::string file(const std::string &path)
{
    auto found = platform().files.find(path);
    return found == platform().files.end() ? "<absent>" : found->second;
}

static void record(const std::string &call) { platform().calls.push_back(call); }

static bool has(const std::set<std::string> &names, const char *name)
{
    return names.count(name) != 0;
}

static int copy_out(const std::string &text, char *buf, int size)
{
    std::snprintf(buf, size_t(size), "%s", text.c_str());
    return 0;
}

}  // namespace fake

using fake::platform;
using fake::record;

extern "C" {

int ixor_log_is_regestered(void) noexcept { return platform().log_registered ? 1 : 0; }

char *ixor_log_dir(char *buf, int size) noexcept
{
    record("ixor_log_dir");
    return platform().log_dir_ok && fake::copy_out(platform().log_dir, buf, size) == 0 ? buf
                                                                                        : nullptr;
}

int ixor_autolog_init(const char *dir, int keep) noexcept
{
    record("ixor_autolog_init " + std::to_string(keep));
    platform().autolog_dirs.push_back(dir);
    return 0;
}

int ixor_log_level_get(void) noexcept { return platform().log_level; }

int ixor_log_output(int level, const char *format, ...) noexcept
{
    va_list args, copy;
    va_start(args, format);
    va_copy(copy, args);
    std::string text(size_t(std::vsnprintf(nullptr, 0, format, copy)), '\0');
    va_end(copy);
    std::vsnprintf(&text[0], text.size() + 1, format, args);
    va_end(args);
    platform().lines.push_back({level, text});
    return 0;
}

int ixor_process_get_path(int, char *buf, int size) noexcept
{
    record("ixor_process_get_path");
    return fake::copy_out(platform().process_path, buf, size);
}

int ixor_path_is_exist_u(const char *path) noexcept
{
    record(std::string("ixor_path_is_exist_u ") + path);
    return platform().files.count(path) != 0;
}

void ixor_sleep(int seconds) noexcept { record("ixor_sleep " + std::to_string(seconds)); }

ixor_ini *ixor_ini_file_load(const char *path) noexcept
{
    record(std::string("ixor_ini_file_load ") + (path ? path : "(null)"));
    if (path == nullptr) {
        return new ixor_ini();
    }
    auto file = platform().files.find(path);
    if (file == platform().files.end() || fake::has(platform().load_fails, path)) {
        return nullptr;
    }
    return new ixor_ini{ixorbase::IniDocument::parse(file->second)};
}

const char *ixor_ini_file_get(ixor_ini *ini, const char *section, const char *key) noexcept
{
    const std::string *value = ini->doc.get(section, key);
    return value ? value->c_str() : nullptr;
}

int ixor_ini_file_get_int(ixor_ini *ini, const char *section, const char *key, int def) noexcept
{
    const char *value = ixor_ini_file_get(ini, section, key);
    return value ? int(std::strtol(value, nullptr, 10)) : def;
}

int ixor_ini_file_set(ixor_ini *ini, const char *section, const char *key, const char *value) noexcept
{
    ini->doc.set(section, key, value);
    return 0;
}

int ixor_ini_file_set_int(ixor_ini *ini, const char *section, const char *key, int value) noexcept
{
    return ixor_ini_file_set(ini, section, key, std::to_string(value).c_str());
}

int ixor_ini_file_unset(ixor_ini *ini, const char *section, const char *key) noexcept
{
    ini->doc.unset(section, key);
    return 0;
}

int ixor_ini_file_del(ixor_ini *ini, const char *section) noexcept
{
    record(std::string("ixor_ini_file_del ") + section);
    ini->doc.remove_section(section);
    return 0;
}

int ixor_ini_file_save(ixor_ini *ini, const char *path, int flag) noexcept
{
    record(std::string("ixor_ini_file_save ") + path + " " + std::to_string(flag));
    if (fake::has(platform().save_fails, path) || !ini->doc.serializable()) {
        return -1;
    }
    platform().files[path] = ini->doc.serialize();
    return 0;
}

int ixor_ini_file_foreach(ixor_ini *ini, void *user, ixor_ini_section_cb cb) noexcept
{
    for (const std::string &name : ini->doc.section_names()) {
        if (cb(ini, name.c_str(), user) != 0) {
            break;
        }
    }
    return 0;
}

void ixor_ini_file_free(ixor_ini *ini) noexcept
{
    record(ini ? "ixor_ini_file_free" : "ixor_ini_file_free null");
    delete ini;
}

int ixor_flock_init(const char *path, ixor_flock **lock) noexcept
{
    record(std::string("ixor_flock_init ") + path);
    if (platform().lock_init_fails) {
        return -1;
    }
    *lock = new ixor_flock{path};
    return 0;
}

int ixor_flock_acquire(ixor_flock *lock) noexcept
{
    record(lock ? "ixor_flock_acquire" : "ixor_flock_acquire null");
    if (lock == nullptr || platform().lock_acquire_fails) {
        return -1;
    }
    lock->held = true;
    platform().locks_held++;
    return 0;
}

void ixor_flock_release(ixor_flock *lock) noexcept
{
    record(lock ? "ixor_flock_release" : "ixor_flock_release null");
    if (lock != nullptr && lock->held) {
        lock->held = false;
        platform().locks_held--;
    }
}

void ixor_flock_destroy(ixor_flock *lock) noexcept
{
    record(lock ? "ixor_flock_destroy" : "ixor_flock_destroy null");
    delete lock;
}

char *get_ixor_root_dir(void) noexcept
{
    record("get_ixor_root_dir");
    return platform().root_null ? nullptr : strdup(platform().root.c_str());
}

int get_app_home_dir(const char *apphome_ini, char *buf, int size, int absolute) noexcept
{
    record(std::string("get_app_home_dir ") + apphome_ini + " " + std::to_string(absolute));
    int result = platform().app_home_dir_result;
    return result != 0 ? result : fake::copy_out(platform().app_home_dir, buf, size);
}

int get_apphome_path_main(char *buf, int size) noexcept
{
    record("get_apphome_path_main");
    int result = platform().apphome_result;
    return result != 0 ? result : fake::copy_out(platform().apphome, buf, size);
}

int is_product_register(const char *code) noexcept
{
    record(std::string("is_product_register ") + code);
    return fake::has(platform().registered, code);
}

int is_product_installed(const char *code) noexcept
{
    record(std::string("is_product_installed ") + code);
    return fake::has(platform().installed, code);
}

int is_ixor_process_config_exists(const char *name) noexcept
{
    record(std::string("is_ixor_process_config_exists ") + name);
    return platform().processes.count(name) != 0;
}

int install_ixor_process(const char *name, ixor_ini *startup) noexcept
{
    record(std::string("install_ixor_process ") + name);
    if (platform().install_result == 0) {
        platform().processes[name] = startup->doc.serialize();
    }
    return platform().install_result;
}

int uninstall_ixor_process(const char *name) noexcept
{
    record(std::string("uninstall_ixor_process ") + name);
    if (platform().uninstall_result == 0) {
        platform().processes.erase(name);
    }
    return platform().uninstall_result;
}

}  // extern "C"
