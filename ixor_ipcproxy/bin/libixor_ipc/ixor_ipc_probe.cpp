/* Can a TCP connection to a candidate address be had within the wait? */
#include <stdlib.h>
#include <string.h>

#include "ixor_ipc_internal.h"
#include "ixor_ipc_log.h"
#include "ixor_ipc_net.h"
#include "ixor_ipc_number.h"

#define IXOR_HOST_NAME_MAX 66

bool ixor_check_ip_format(const char *text)
{
    if (text == NULL) {
        return false;
    }
    size_t length = strlen(text);
    char *copy = (char *)malloc(length + 1);
    if (copy == NULL) {
        IXOR_LOG_WARN("out of memory");
        return false;
    }
    memcpy(copy, text, length);
    copy[length] = '\0';
    int fields = 0;
    char *context = NULL;
    for (char *field = ixor_os_strtok(copy, ".", &context); field != NULL;
         field = ixor_os_strtok(NULL, ".", &context)) {
        char *end = NULL;
        int32_t value = ixor_strtol32(field, &end);
        if (*end != '\0' || (uint32_t)value > 255u) {
            IXOR_LOG_WARN("ip format abnormal");
            free(copy);
            return false;
        }
        fields++;
    }
    free(copy);
    return fields == 4;
}

static bool host_char_allowed(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_';
}

/* An empty name has no first or last character to test: it is refused. */
bool ixor_check_host_name(const char *host)
{
    if (host[0] == '\0' || host[0] == '-') {
        return false;
    }
    size_t length = 0;
    for (; host[length] != '\0'; length++) {
        if (length == IXOR_HOST_NAME_MAX || !host_char_allowed(host[length])) {
            return false;
        }
    }
    return host[length - 1] != '-';
}

static bool connect_within(ixor_socket sock, const struct sockaddr_in *target, uint32_t timeout_ms)
{
    if (connect(sock, (const struct sockaddr *)target, sizeof *target) == 0) {
        return true;
    }
    if (!ixor_net_connect_pending()) {
        return false;
    }
    int ready = ixor_net_wait_writable(sock, timeout_ms);
    if (ready < 0) {
        IXOR_LOG_WARN("select failed err = %d", ixor_net_last_error());
        return false;
    }
    if (ready == 0) {
        IXOR_LOG_WARN("select timeout %d", IXOR_NET_TIMEOUT_CODE);
        return false;
    }
    return ixor_net_connected(sock);
}

static bool connect_to(const struct sockaddr_in *target, uint32_t timeout_ms)
{
    ixor_socket sock = socket(target->sin_family, SOCK_STREAM, 0);
    if (sock == IXOR_SOCKET_INVALID) {
        IXOR_LOG_ERROR("socket initialize failed %d", ixor_net_last_error());
        return false;
    }
    if (ixor_net_set_nonblocking(sock) != 0) {
        IXOR_LOG_ERROR("socket initialize failed %d", ixor_net_last_error());
        ixor_net_close(sock);
        return false;
    }
    bool reachable = connect_within(sock, target, timeout_ms);
    ixor_net_close(sock);
    return reachable;
}

bool ixor_probe_addrport(const char *host, uint32_t port, uint32_t timeout_ms)
{
    if (host == NULL || port == 0 || port > IXOR_PORT_MAX ||
        (!ixor_check_ip_format(host) && !ixor_check_host_name(host))) {
        IXOR_LOG_WARN("domain is null, port = %d", (int)port);
        return false;
    }
    if (ixor_net_startup() != 0) {
        IXOR_LOG_ERROR("WSAStartup initialize failed %d", ixor_net_last_error());
        return false;
    }
    struct sockaddr_in target;
    memset(&target, 0, sizeof target);
    int family = 0;
    int error = 0;
    if (!ixor_net_resolve(host, &target.sin_addr, &family, &error)) {
        IXOR_LOG_ERROR("get host name failed %d", error);
        return false;
    }
    char dotted[16];
    IXOR_LOG_DEBUG("domain = %s, parsed ip = %s, port = %d", host,
                   ixor_net_ntoa(target.sin_addr, dotted, sizeof dotted), (int)port);
    target.sin_family = (decltype(target.sin_family))family;
    target.sin_port = htons((uint16_t)port);
    return connect_to(&target, timeout_ms);
}
