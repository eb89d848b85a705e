/* A product reads back the endpoint registered under its code. */
#include "ixor_ipc.h"
#include "ixor_ipc_files.h"
#include "ixor_ipc_frame.h"
#include "ixor_ipc_log.h"

int ixor_get_ipcproxy_addrport(const char *product, char *addr, int addr_size, int *port, int *uid)
{
    if (product == NULL || (addr == NULL && port == NULL && uid == NULL)) {
        IXOR_LOG_WARN("register_OLQ_config failed: invalid parameter\n");
        return -1;
    }
    ixor_frame frame;
    int result = -1;
    ixor_frame_status status = ixor_frame_open_lookup(&frame, IXOR_FILE_REGISTRATIONS);
    if (!ixor_frame_held(status)) {
        return -1;
    }
    if (status == IXOR_FRAME_OK) {
        if (addr != NULL) {
            ixor_copy_text_out(addr, addr_size, ixor_ini_file_get(frame.ini, product, "addr"));
        }
        if (port != NULL) {
            *port = ixor_ini_file_get_int(frame.ini, product, "port", 0);
        }
        if (uid != NULL) {
            *uid = ixor_ini_file_get_int(frame.ini, product, "uid", 0);
        }
        result = 0;
    }
    ixor_frame_close(&frame);
    return result;
}
