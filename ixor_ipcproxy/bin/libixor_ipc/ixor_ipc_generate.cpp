/* The proxy's own configuration: section "config" with addr, port and uid,
 * written only when a value differs. */
#include <string.h>

#include "ixor_ipc_files.h"
#include "ixor_ipc_frame.h"
#include "ixor_ipc_internal.h"
#include "ixor_ipc_log.h"

static unsigned char differs(ixor_ini *ini, const char *addr, int32_t port, int32_t uid)
{
    const char *current = ixor_ini_file_get(ini, "config", "addr");
    int32_t current_port = ixor_ini_file_get_int(ini, "config", "port", 0);
    int32_t current_uid = ixor_ini_file_get_int(ini, "config", "uid", 0);
    return !(current != NULL && strcmp(current, addr) == 0 && current_port == port &&
             current_uid == uid);
}

static int32_t write_values(ixor_frame *frame, const char *addr, int32_t port, int32_t uid,
                            unsigned char changed)
{
    ixor_ini_file_set(frame->ini, "config", "addr", addr);
    ixor_ini_file_set_int(frame->ini, "config", "port", port);
    ixor_ini_file_set_int(frame->ini, "config", "uid", uid);
    if (!changed) {
        return 0;
    }
    return ixor_frame_save(frame, IXOR_SAVE_INI);
}

int32_t ixor_generate_ipcproxy_conf(const char *addr, int32_t port, int32_t uid,
                                    unsigned char *changed_out)
{
    if (addr == NULL || port == 0) {
        IXOR_LOG_WARN("ixor_generate_ipcproxy_conf failed: invalid parameter\n");
        return -1;
    }
    ixor_frame frame;
    unsigned char changed = 1;
    int32_t result = -1;
    ixor_frame_status status =
        ixor_frame_open(&frame, IXOR_FILE_PROXY_CONF, IXOR_FRAME_CREATE | IXOR_FRAME_LOCK_OF_PATH);
    if (status == IXOR_FRAME_NO_HOME) {
        IXOR_LOG_INFO("ixor_apphome.ini not exists.\n");
        return -1;
    }
    if (status == IXOR_FRAME_OK) {
        changed = differs(frame.ini, addr, port, uid);
        IXOR_LOG_INFO("config change status: %d\n", changed);
        result = write_values(&frame, addr, port, uid, changed);
    }
    if (changed_out != NULL) {
        *changed_out = changed;
    }
    ixor_frame_close(&frame);
    return result;
}
