/* Internal steps shared between the parts of the library. */
#ifndef IXOR_IPC_INTERNAL_H
#define IXOR_IPC_INTERNAL_H

#include <stdint.h>

#include "ixor_ipc_limits.h"
#include "ixorbase.h"

/* What the walk over the registrations leaves for the apply step. */
typedef struct ixor_ipcproxy_selection {
    char addr[IXOR_PATH_MAX];
    int32_t port;
    int32_t uid;
    int32_t priority;
    int32_t section_count;
} ixor_ipcproxy_selection;

/* Section walk callback: counts registrations, keeps the winner. */
int ixor_select_section_cb(ixor_ini *ini, const char *section, void *selection);

/* Turns the loaded registrations into a configured proxy, or none. */
void ixor_apply_ipcproxy_conf(ixor_ini *registrations, int32_t threshold);

/* Writes the proxy configuration; *changed tells whether it differed. */
int32_t ixor_generate_ipcproxy_conf(const char *addr, int32_t port, int32_t uid,
                                    unsigned char *changed);

/* True when a TCP connection to host:port is established within the wait. */
bool ixor_probe_addrport(const char *host, uint32_t port, uint32_t timeout_ms);

/* True when the text is four dot-separated decimal numbers 0..255. */
bool ixor_check_ip_format(const char *text);

/* True when a host name keeps to the allowed characters and length. */
bool ixor_check_host_name(const char *host);

/* Pauses before the proxy is removed while the agent counts products. */
void ixor_delay_before_uninstall(void);

/* Installs the proxy, or updates its start-up configuration. */
int32_t ixor_restart_ipcproxy(void);

#endif
