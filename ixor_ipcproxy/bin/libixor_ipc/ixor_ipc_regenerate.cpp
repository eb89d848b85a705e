/* Re-applies the stored registrations as they are. */
#include "ixor_ipc.h"
#include "ixor_ipc_files.h"
#include "ixor_ipc_frame.h"
#include "ixor_ipc_internal.h"
#include "ixor_ipc_log.h"

int regenerate_ipc_proxy_conf_restart(void)
{
    ixor_frame frame;
    ixor_frame_status status = ixor_frame_open(&frame, IXOR_FILE_REGISTRATIONS, IXOR_FRAME_READ);
    if (status == IXOR_FRAME_NO_HOME) {
        IXOR_LOG_INFO("ixor_apphome.ini not exists.\n");
        return -1;
    }
    if (status == IXOR_FRAME_ABSENT) {
        IXOR_LOG_DEBUG("regenerate ipc config failed, pre config not exists\n");
        return -2;
    }
    if (status == IXOR_FRAME_NO_LOCK) {
        return -2;
    }
    if (status == IXOR_FRAME_NO_LOAD) {
        ixor_frame_close(&frame);
        return -1;
    }
    ixor_frame_unlock(&frame);
    ixor_apply_ipcproxy_conf(frame.ini, IXOR_REGENERATE_THRESHOLD);
    ixor_frame_close(&frame);
    return 0;
}
