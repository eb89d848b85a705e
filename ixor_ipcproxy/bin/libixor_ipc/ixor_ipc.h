/* libixor_ipc: product modules tell the agent's ipc_proxy process through
 * which upstream endpoint to connect, and ask where it connects.
 * Every call is synchronous, keeps no state between calls and may be made
 * from any thread of any process. Results: 0 success, -1 failure, and the
 * values listed per function. */
#ifndef IXOR_IPC_H
#define IXOR_IPC_H

/* Functions need no dllimport: callers link through the import library. */
#if defined(_WIN32) && defined(IXOR_IPC_BUILD)
#define IXOR_IPC_API __declspec(dllexport)
#elif defined(_WIN32)
#define IXOR_IPC_API
#else
#define IXOR_IPC_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Registers or changes the endpoint of a product registered with the agent.
 * priority "0".."100", port "1".."65534" (leading decimal number counts),
 * addr one address or several separated by ";", uid optional (null removes
 * it). 0 or -1. */
IXOR_IPC_API int ixor_change_ipcproxy_addrport(const char *product, const char *priority,
                                               const char *addr, const char *port, const char *uid);

/* Withdraws a product's endpoint. 0, -1, or -2 when the application home
 * cannot be resolved. */
IXOR_IPC_API int ixor_remove_product_config(const char *product);

/* Reads back a product's registered endpoint; each output is optional but
 * one must be given. addr is left untouched when none is stored, and when
 * addr_size is 0 or less. 0 or -1. */
IXOR_IPC_API int ixor_get_ipcproxy_addrport(const char *product, char *addr, int addr_size,
                                            int *port, int *uid);

/* Re-applies the stored registrations. 0; -1 no application home or load
 * failure; -2 no registration file or lock not taken. */
IXOR_IPC_API int regenerate_ipc_proxy_conf_restart(void);

/* 1 when the sibling product HVK is registered or installed, else 0. */
IXOR_IPC_API int is_running_hvk(void);

/* Address and port the proxy currently connects to; both outputs optional.
 * addr is left untouched when none is stored, and when addr_size is 0 or
 * less. 0 or -1. */
IXOR_IPC_API int ixor_get_ipcproxy_connectaddr(char *addr, int addr_size, int *port);

/* The proxy's local IPC port, or 0 on any failure. */
IXOR_IPC_API int ixor_get_ipcproxy_localport(void);

#ifdef __cplusplus
}
#endif

#endif
