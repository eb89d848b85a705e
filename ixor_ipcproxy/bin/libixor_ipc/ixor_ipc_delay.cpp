/* Before the proxy is removed: while the agent still counts registered
 * products, give them a moment. */
#include <stdlib.h>
#include <string.h>

#include "ixor_ipc_files.h"
#include "ixor_ipc_internal.h"
#include "ixor_ipc_log.h"
#include "ixoraux.h"

/* True when the agent's product count is above 0. The lock results are
 * not examined: without the lock the count is read all the same. */
static bool products_counted(const char *root, ixor_flock **lock)
{
    char apphome_file[IXOR_PATH_MAX];
    char apphome[IXOR_PATH_MAX];
    char register_path[IXOR_PATH_MAX];
    char lock_path[IXOR_PATH_MAX];
    memset(apphome_file, 0, sizeof apphome_file);
    memset(apphome, 0, sizeof apphome);
    memset(register_path, 0, sizeof register_path);
    memset(lock_path, 0, sizeof lock_path);
    if (root != NULL) {
        ixor_str_snprintf(apphome_file, IXOR_PATH_MAX, "%s/%s", root, IXOR_FILE_APPHOME);
    }
    if (root == NULL || get_app_home_dir(apphome_file, apphome, IXOR_PATH_MAX, 0) != 0) {
        IXOR_LOG_ERROR("get_app_home_dir failed!\n");
        return false;
    }
    ixor_str_snprintf(register_path, IXOR_PATH_MAX, "%s/%s/%s", root, apphome,
                      IXOR_FILE_PRODUCT_REGISTER);
    if (ixor_path_is_exist_u(register_path) == 0) {
        IXOR_LOG_INFO("register config is not exist\n");
        return false;
    }
    ixor_str_snprintf(lock_path, IXOR_PATH_MAX, "%s.lock", register_path);
    ixor_flock_init(lock_path, lock);
    ixor_flock_acquire(*lock);
    ixor_ini *ini = ixor_ini_file_load(register_path);
    if (ini == NULL) {
        IXOR_LOG_ERROR("load config: %s failed.\n", register_path);
        return false;
    }
    int32_t count = ixor_ini_file_get_int(ini, "count", "num", 0);
    ixor_ini_file_free(ini);
    return count > 0;
}

void ixor_delay_before_uninstall(void)
{
    ixor_flock *lock = NULL;
    char *root = get_ixor_root_dir();
    bool pause = products_counted(root, &lock);
    ixor_flock_release(lock);
    ixor_flock_destroy(lock);
    free(root);
    if (pause) {
        IXOR_LOG_INFO("no module has registered, delay to uninstall ipc_proxy.\n");
        ixor_sleep(IXOR_UNINSTALL_DELAY);
    }
}
