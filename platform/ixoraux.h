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

#ifdef __cplusplus
extern "C" {
#endif

IXORAUX_API char *get_ixor_root_dir(void);
IXORAUX_API int get_app_home_dir(const char *apphome_ini, char *buf, int size, int absolute);
IXORAUX_API int get_apphome_path_main(char *buf, int size);

IXORAUX_API int is_product_register(const char *code);
IXORAUX_API int is_product_installed(const char *code);

IXORAUX_API int is_ixor_process_config_exists(const char *name);
IXORAUX_API int install_ixor_process(const char *name, ixor_ini *startup);
IXORAUX_API int uninstall_ixor_process(const char *name);

/* Maintenance of the product registration file, for operators' tools;
 * 0 on success. libixor_ipc itself only reads the file. */
IXORAUX_API int add_product_register(const char *code);
IXORAUX_API int remove_product_register(const char *code);

#ifdef __cplusplus
}
#endif

#endif
