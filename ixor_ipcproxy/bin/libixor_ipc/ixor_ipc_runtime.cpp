/* Where the running proxy stands: its connect address and local port, read
 * from the files that the proxy writes. */
#include "ixor_ipc.h"
#include "ixor_ipc_files.h"
#include "ixor_ipc_frame.h"
#include "ixor_ipc_log.h"

int ixor_get_ipcproxy_connectaddr(char *addr, int addr_size, int *port)
{
    ixor_frame frame;
    int result = -1;
    ixor_frame_status status = ixor_frame_open_lookup(&frame, IXOR_FILE_CONNECT);
    if (!ixor_frame_held(status)) {
        return -1;
    }
    if (status == IXOR_FRAME_OK) {
        if (addr != NULL) {
            ixor_copy_text_out(addr, addr_size, ixor_ini_file_get(frame.ini, "connect", "ip"));
        }
        if (port != NULL) {
            *port = ixor_ini_file_get_int(frame.ini, "connect", "port", 0);
        }
        result = 0;
    }
    ixor_frame_close(&frame);
    return result;
}

int ixor_get_ipcproxy_localport(void)
{
    ixor_frame frame;
    int result = 0;
    ixor_frame_status status = ixor_frame_open(&frame, IXOR_FILE_SERVER_PORT, IXOR_FRAME_READ);
    if (status == IXOR_FRAME_NO_HOME) {
        IXOR_LOG_WARN("get_apphome_path_main failed\n");
        return 0;
    }
    if (status == IXOR_FRAME_ABSENT) {
        IXOR_LOG_WARN("config not exists!\n");
        return 0;
    }
    if (!ixor_frame_held(status)) {
        return 0;
    }
    if (status == IXOR_FRAME_OK) {
        result = ixor_ini_file_get_int(frame.ini, "local", "ipc_port", 0);
    }
    ixor_frame_close(&frame);
    return result;
}
