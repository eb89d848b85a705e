/* The library's fixed sizes and limits; it reads no configuration. */
#ifndef IXOR_IPC_LIMITS_H
#define IXOR_IPC_LIMITS_H

#define IXOR_PATH_MAX 260

#define IXOR_PRIORITY_MIN 0
#define IXOR_PRIORITY_MAX 100
#define IXOR_PORT_MIN 1
#define IXOR_PORT_MAX 65534
#define IXOR_PROBE_TIMEOUT_MS 5000
#define IXOR_REGENERATE_THRESHOLD 100
#define IXOR_UNINSTALL_DELAY 3

/* The sibling product that keeps the proxy to itself. */
#define IXOR_HVK "HVK"
#define IXOR_PROXY_PROCESS "ipc_proxy"

#endif
