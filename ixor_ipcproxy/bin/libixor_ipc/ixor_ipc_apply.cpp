/* The apply step: registrations in, a configured proxy (or none) out. */
#include <string.h>

#include "ixor_ipc.h"
#include "ixor_ipc_internal.h"
#include "ixor_ipc_log.h"
#include "ixoraux.h"

static bool hvk_present(void)
{
    return is_product_register(IXOR_HVK) != 0 || is_product_installed(IXOR_HVK) != 0;
}

static void remove_proxy(void)
{
    if (is_ixor_process_config_exists(IXOR_PROXY_PROCESS) == 0) {
        IXOR_LOG_INFO("ipc_proxy service not loaded, skip unload step.\n");
        return;
    }
    ixor_delay_before_uninstall();
    if (uninstall_ixor_process(IXOR_PROXY_PROCESS) != 0) {
        IXOR_LOG_ERROR("uninstall_ixor_process %s failed\n", IXOR_PROXY_PROCESS);
    }
}

/* One candidate is taken whole; of several, the first that answers, else
 * the first. */
static void choose_address(const ixor_ipcproxy_selection *selection, char *chosen)
{
    int count = 0;
    char **candidates = ixor_str_split(selection->addr, ";", &count);
    if (count < 2) {
        ixor_str_snprintf(chosen, IXOR_PATH_MAX, "%s", selection->addr);
        return;
    }
    ixor_str_snprintf(chosen, IXOR_PATH_MAX, "%s", candidates[0]);
    for (int i = 0; i < count; i++) {
        if (ixor_probe_addrport(candidates[i], (uint32_t)selection->port, IXOR_PROBE_TIMEOUT_MS)) {
            ixor_str_snprintf(chosen, IXOR_PATH_MAX, "%s", candidates[i]);
            return;
        }
    }
}

static void configure_proxy(const ixor_ipcproxy_selection *selection)
{
    char chosen[IXOR_PATH_MAX];
    memset(chosen, 0, sizeof chosen);
    choose_address(selection, chosen);
    unsigned char changed = 1;
    if (ixor_generate_ipcproxy_conf(chosen, selection->port, selection->uid, &changed) != 0) {
        IXOR_LOG_WARN("ixor_generate_ipcproxy_conf failed!\n");
        return;
    }
    if (changed == 0 && is_ixor_process_config_exists(IXOR_PROXY_PROCESS) != 0) {
        IXOR_LOG_INFO("config not changed, skip restart ipc_proxy process.\n");
        return;
    }
    if (ixor_restart_ipcproxy() != 0) {
        IXOR_LOG_WARN("ixor_restart_ipcproxy failed!\n");
    }
}

void ixor_apply_ipcproxy_conf(ixor_ini *registrations, int32_t threshold)
{
    ixor_ipcproxy_selection selection;
    memset(&selection, 0, sizeof selection);
    if (hvk_present()) {
        IXOR_LOG_INFO("is running hvk, skip ipc_proxy config convert step...\n");
        return;
    }
    ixor_ini_file_foreach(registrations, &selection, ixor_select_section_cb);
    if (selection.section_count == 0) {
        remove_proxy();
        return;
    }
    if (threshold < selection.priority) {
        return;
    }
    configure_proxy(&selection);
}

int is_running_hvk(void) { return hvk_present() ? 1 : 0; }
