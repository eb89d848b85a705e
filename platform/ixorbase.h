/* Operations of the agent's base library libixorbase that libixor_ipc uses:
 * shared log, text formatting and splitting, paths, INI files, file locks
 * and sleeping. Texts are NUL-terminated UTF-8; handles are opaque. */
#ifndef IXORBASE_H
#define IXORBASE_H

#include <stdint.h>

/* Functions need no dllimport: callers link through the import library. */
#if defined(_WIN32) && defined(IXORBASE_BUILD)
#define IXORBASE_API __declspec(dllexport)
#elif defined(_WIN32)
#define IXORBASE_API
#else
#define IXORBASE_API __attribute__((visibility("default")))
#endif

#if defined(__MINGW32__)
#define IXORBASE_PRINTF(f, a) __attribute__((format(gnu_printf, f, a)))
#elif defined(__GNUC__)
#define IXORBASE_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define IXORBASE_PRINTF(f, a)
#endif

/* No export lets an exception out. */
#ifdef __cplusplus
#define IXOR_NOEXCEPT noexcept
#else
#define IXOR_NOEXCEPT
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ixor_ini ixor_ini;
typedef struct ixor_flock ixor_flock;
typedef int (*ixor_ini_section_cb)(ixor_ini *ini, const char *section, void *user);

/* Log levels: 0 error, 1 warn, 2 info, 3 debug. */
IXORBASE_API int ixor_log_is_regestered(void) IXOR_NOEXCEPT;
IXORBASE_API char *ixor_log_dir(char *buf, int size) IXOR_NOEXCEPT;
IXORBASE_API int ixor_autolog_init(const char *dir, int keep) IXOR_NOEXCEPT;
IXORBASE_API int ixor_log_level_get(void) IXOR_NOEXCEPT;
IXORBASE_API int ixor_log_output(int level, const char *format, ...) IXOR_NOEXCEPT
    IXORBASE_PRINTF(2, 3);

IXORBASE_API int ixor_process_get_path(int pid, char *buf, int size) IXOR_NOEXCEPT;
IXORBASE_API int ixor_path_is_exist_u(const char *path) IXOR_NOEXCEPT;
IXORBASE_API void ixor_sleep(int seconds) IXOR_NOEXCEPT;

IXORBASE_API int ixor_str_snprintf(char *buf, uint64_t size, const char *format, ...) IXOR_NOEXCEPT
    IXORBASE_PRINTF(3, 4);
IXORBASE_API char **ixor_str_split(const char *text, const char *sep, int *count) IXOR_NOEXCEPT;

IXORBASE_API ixor_ini *ixor_ini_file_load(const char *path) IXOR_NOEXCEPT;
IXORBASE_API const char *ixor_ini_file_get(ixor_ini *ini, const char *section,
                                           const char *key) IXOR_NOEXCEPT;
IXORBASE_API int ixor_ini_file_get_int(ixor_ini *ini, const char *section, const char *key,
                                       int def) IXOR_NOEXCEPT;
IXORBASE_API int ixor_ini_file_set(ixor_ini *ini, const char *section, const char *key,
                                   const char *value) IXOR_NOEXCEPT;
IXORBASE_API int ixor_ini_file_set_int(ixor_ini *ini, const char *section, const char *key,
                                       int value) IXOR_NOEXCEPT;
IXORBASE_API int ixor_ini_file_unset(ixor_ini *ini, const char *section,
                                     const char *key) IXOR_NOEXCEPT;
IXORBASE_API int ixor_ini_file_del(ixor_ini *ini, const char *section) IXOR_NOEXCEPT;
IXORBASE_API int ixor_ini_file_save(ixor_ini *ini, const char *path, int flag) IXOR_NOEXCEPT;
IXORBASE_API int ixor_ini_file_foreach(ixor_ini *ini, void *user,
                                       ixor_ini_section_cb cb) IXOR_NOEXCEPT;
IXORBASE_API void ixor_ini_file_free(ixor_ini *ini) IXOR_NOEXCEPT;

IXORBASE_API int ixor_flock_init(const char *path, ixor_flock **lock) IXOR_NOEXCEPT;
IXORBASE_API int ixor_flock_acquire(ixor_flock *lock) IXOR_NOEXCEPT;
IXORBASE_API void ixor_flock_release(ixor_flock *lock) IXOR_NOEXCEPT;
IXORBASE_API void ixor_flock_destroy(ixor_flock *lock) IXOR_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif
