/* A product withdraws its endpoint; the proxy follows the next winner. */
#include "ixor_ipc.h"
#include "ixor_ipc_files.h"
#include "ixor_ipc_frame.h"
#include "ixor_ipc_internal.h"
#include "ixor_ipc_log.h"

int ixor_remove_product_config(const char *product)
{
    if (product == NULL) {
        IXOR_LOG_WARN("ixor_remove_product_config failed: invalid parameter\n");
        return -1;
    }
    ixor_frame frame;
    ixor_frame_status status = ixor_frame_open(&frame, IXOR_FILE_REGISTRATIONS, IXOR_FRAME_READ);
    if (status == IXOR_FRAME_NO_HOME) {
        IXOR_LOG_INFO("ixor_apphome.ini not exists.\n");
        return -2;
    }
    if (status == IXOR_FRAME_ABSENT) {
        IXOR_LOG_WARN("config_path is not exists!\n");
        return -1;
    }
    if (status == IXOR_FRAME_NO_LOCK) {
        return -1;
    }
    if (status == IXOR_FRAME_NO_LOAD) {
        ixor_frame_close(&frame);
        return -1;
    }
    int32_t threshold = ixor_ini_file_get_int(frame.ini, product, "priority", 0);
    ixor_ini_file_del(frame.ini, product);
    if (ixor_frame_save(&frame, IXOR_SAVE_ENI) != 0) {
        ixor_frame_close(&frame);
        return -1;
    }
    ixor_frame_unlock(&frame);
    ixor_apply_ipcproxy_conf(frame.ini, threshold);
    ixor_frame_close(&frame);
    return 0;
}
