/* A product module built with Microsoft's toolchain conventions: no C
 * runtime, linked with lld-link against ixor_ipc.lib alone. Calls every
 * export on an agent root where product A is registered and the proxy has
 * reported where it connects and its local port; exits with the number of
 * the first check that fails. */
#include <ixor_ipc.h>

__declspec(dllimport) void __stdcall ExitProcess(unsigned code);

static unsigned checks_run, failed_check;

static void check(int ok)
{
    checks_run++;
    if (!ok && !failed_check) {
        failed_check = checks_run;
    }
}

static int same(const char *a, const char *b)
{
    while (*a && *a == *b) {
        a++;
        b++;
    }
    return *a == *b;
}

void consumer_start(void)
{
    char addr[64];
    int port = -1, uid = -1;

    check(ixor_change_ipcproxy_addrport("B", "50", "127.0.0.1", "8443", 0) == -1);
    check(ixor_change_ipcproxy_addrport("A", "50", "127.0.0.1", "8443", "11") == 0);
    check(ixor_get_ipcproxy_addrport("A", addr, (int)sizeof addr, &port, &uid) == 0 &&
          same(addr, "127.0.0.1") && port == 8443 && uid == 11);
    check(regenerate_ipc_proxy_conf_restart() == 0);
    check(is_running_hvk() == 0);
    check(ixor_get_ipcproxy_connectaddr(addr, (int)sizeof addr, &port) == 0 &&
          same(addr, "10.1.2.3") && port == 4433);
    check(ixor_get_ipcproxy_localport() == 7788);
    check(ixor_remove_product_config("A") == 0);
    check(ixor_get_ipcproxy_addrport("A", 0, 0, &port, 0) == 0 && port == 0);
    ExitProcess(failed_check);
}
