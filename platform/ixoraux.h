/* Operations of the agent's auxiliary library libixoraux that libixor_ipc
 * uses: root directory and application home, product registration and
 * installation state, and process configurations. */
#ifndef IXORAUX_H
#define IXORAUX_H

#include "ixorbase.h"

/* Functions need no dllimport: callers link through the import library. */
#if defined(_WIN32) && defined(IXORAUX_BUILD)
#define IXORAUX_API __declspec(dllexport)
#elif defined(_WIN32)
#define IXORAUX_API
#else
#define IXORAUX_API __attribute__((visibility("default")))
#endif

/* An application home is handed out only when every path that callers
 * compose below it still fits a path buffer of IXORAUX_PATH_MAX bytes. The
 * longest such path ends in the registration file's lock path; callers
 * check at build time that theirs are no longer. */
#define IXORAUX_PATH_MAX 260
#define IXORAUX_HOME_TAIL_MAX (sizeof "/config/ixor_ipcproxy/ixor_ipcproxy_pre.eni.lock" - 1)

#ifdef __cplusplus
extern "C" {
#endif

IXORAUX_API char *get_ixor_root_dir(void) IXOR_NOEXCEPT;
IXORAUX_API int get_app_home_dir(const char *apphome_ini, char *buf, int size,
                                 int absolute) IXOR_NOEXCEPT;
IXORAUX_API int get_apphome_path_main(char *buf, int size) IXOR_NOEXCEPT;

IXORAUX_API int is_product_register(const char *code) IXOR_NOEXCEPT;
IXORAUX_API int is_product_installed(const char *code) IXOR_NOEXCEPT;

IXORAUX_API int is_ixor_process_config_exists(const char *name) IXOR_NOEXCEPT;
IXORAUX_API int install_ixor_process(const char *name, ixor_ini *startup) IXOR_NOEXCEPT;
IXORAUX_API int uninstall_ixor_process(const char *name) IXOR_NOEXCEPT;

/* Maintenance of the product registration file, for operators' tools;
 * 0 on success. libixor_ipc itself only reads the file. */
IXORAUX_API int add_product_register(const char *code) IXOR_NOEXCEPT;
IXORAUX_API int remove_product_register(const char *code) IXOR_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif
