/* A product registers or changes its endpoint; the proxy follows at once. */
#include <string.h>

#include "ixor_ipc.h"
#include "ixor_ipc_files.h"
#include "ixor_ipc_frame.h"
#include "ixor_ipc_internal.h"
#include "ixor_ipc_log.h"
#include "ixor_ipc_number.h"
#include "ixoraux.h"

static bool same_text(const char *stored, const char *given)
{
    return stored != NULL && strcmp(stored, given) == 0;
}

static bool section_differs(ixor_ini *ini, const char *product, int32_t priority, const char *addr,
                            const char *port, const char *uid)
{
    int32_t stored_priority = ixor_ini_file_get_int(ini, product, "priority", 0);
    const char *stored_addr = ixor_ini_file_get(ini, product, "addr");
    const char *stored_port = ixor_ini_file_get(ini, product, "port");
    const char *stored_uid = ixor_ini_file_get(ini, product, "uid");
    bool same_uid = uid == NULL ? stored_uid == NULL : same_text(stored_uid, uid);
    return !(stored_priority == priority && same_text(stored_addr, addr) &&
             same_text(stored_port, port) && same_uid);
}

static void write_section(ixor_ini *ini, const char *product, int32_t priority, const char *addr,
                          const char *port, const char *uid)
{
    ixor_ini_file_set_int(ini, product, "priority", priority);
    ixor_ini_file_set(ini, product, "addr", addr);
    ixor_ini_file_set(ini, product, "port", port);
    if (uid != NULL) {
        ixor_ini_file_set(ini, product, "uid", uid);
    } else {
        ixor_ini_file_unset(ini, product, "uid");
    }
}

/* Refusals that come after the file is loaded; each logs its own line. */
static bool refused(const char *product, int32_t priority, const char *port_text)
{
    if (strcmp(product, IXOR_HVK) == 0) {
        IXOR_LOG_WARN("HVK is not permited to use ixor ipc_proxy!\n");
        return true;
    }
    if ((uint32_t)priority > IXOR_PRIORITY_MAX) {
        IXOR_LOG_ERROR("priority value should between %d and %d\n", IXOR_PRIORITY_MIN,
                       IXOR_PRIORITY_MAX);
        return true;
    }
    int32_t port = ixor_strtol32(port_text, NULL);
    if (port < IXOR_PORT_MIN || port > IXOR_PORT_MAX) {
        IXOR_LOG_ERROR("invalid port argument\n");
        return true;
    }
    return false;
}

int ixor_change_ipcproxy_addrport(const char *product, const char *priority_text, const char *addr,
                                  const char *port, const char *uid)
{
    if (product == NULL || priority_text == NULL || addr == NULL || port == NULL) {
        IXOR_LOG_WARN("register_OLQ_config failed: invalid parameter\n");
        return -1;
    }
    if (is_product_register(product) == 0) {
        IXOR_LOG_ERROR("register_OLQ_config failed: product not register install!\n");
        return -1;
    }
    ixor_frame frame;
    ixor_frame_status status = ixor_frame_open(&frame, IXOR_FILE_REGISTRATIONS, IXOR_FRAME_CREATE);
    if (status == IXOR_FRAME_NO_HOME) {
        IXOR_LOG_WARN("ixor_apphome.ini not exists.\n");
        return -1;
    }
    if (status == IXOR_FRAME_NO_LOCK) {
        return -1;
    }
    int32_t priority = ixor_strtol32(priority_text, NULL);
    if (status == IXOR_FRAME_NO_LOAD || refused(product, priority, port)) {
        ixor_frame_close(&frame);
        return -1;
    }
    bool differs = section_differs(frame.ini, product, priority, addr, port, uid);
    write_section(frame.ini, product, priority, addr, port, uid);
    if (differs && ixor_frame_save(&frame, IXOR_SAVE_ENI) != 0) {
        ixor_frame_close(&frame);
        return -1;
    }
    ixor_frame_unlock(&frame);
    ixor_apply_ipcproxy_conf(frame.ini, priority);
    ixor_frame_close(&frame);
    return 0;
}
