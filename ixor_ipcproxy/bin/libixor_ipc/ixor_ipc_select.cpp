/* The winning registration: the highest priority above 0 with an address
 * and a port; the first one visited on a tie. */
#include <string.h>

#include "ixor_ipc_internal.h"
#include "ixor_ipc_log.h"

int ixor_select_section_cb(ixor_ini *ini, const char *section, void *user)
{
    ixor_ipcproxy_selection *selection = (ixor_ipcproxy_selection *)user;
    if (strcmp(section, IXOR_HVK) == 0) {
        return 0;
    }
    selection->section_count++;
    int32_t priority = ixor_ini_file_get_int(ini, section, "priority", 0);
    if (priority <= selection->priority) {
        return 0;
    }
    const char *addr = ixor_ini_file_get(ini, section, "addr");
    if (addr == NULL) {
        IXOR_LOG_WARN("skipping invalid addr config in section %s\n", section);
        return 0;
    }
    int32_t port = ixor_ini_file_get_int(ini, section, "port", 0);
    if (port == 0) {
        IXOR_LOG_WARN("skipping invalid port config in section %s\n", section);
        return 0;
    }
    ixor_str_snprintf(selection->addr, sizeof selection->addr, "%s", addr);
    selection->port = port;
    selection->uid = ixor_ini_file_get_int(ini, section, "uid", 0);
    selection->priority = priority;
    return 0;
}
