/* Puts the proxy (back) into service from its start-up description. */
#include <string.h>

#include "ixor_ipc_files.h"
#include "ixor_ipc_internal.h"
#include "ixor_ipc_log.h"
#include "ixoraux.h"

int32_t ixor_restart_ipcproxy(void)
{
    char home[IXOR_PATH_MAX];
    char path[IXOR_PATH_MAX];
    memset(home, 0, sizeof home);
    memset(path, 0, sizeof path);
    if (is_ixor_process_config_exists(IXOR_PROXY_PROCESS) != 0) {
        IXOR_LOG_INFO("updating ipc_proxy startup config\n");
    }
    IXOR_LOG_INFO("installing ixor process ipc_proxy...\n");
    if (get_apphome_path_main(home, IXOR_PATH_MAX) != 0) {
        IXOR_LOG_INFO("ixor_apphome.ini not exists.\n");
        return -1;
    }
    ixor_str_snprintf(path, IXOR_PATH_MAX, "%s/%s", home, IXOR_FILE_PROXY_STARTUP);
    ixor_ini *startup = ixor_ini_file_load(path);
    if (startup == NULL) {
        IXOR_LOG_ERROR("load ipc_proxy.eni config failed\n");
        return -1;
    }
    int32_t result = install_ixor_process(IXOR_PROXY_PROCESS, startup);
    if (result != 0) {
        IXOR_LOG_ERROR("install_ixor_process failed\n");
    }
    ixor_ini_file_free(startup);
    return result;
}
