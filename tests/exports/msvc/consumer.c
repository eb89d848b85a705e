/* A product module built with Microsoft's toolchain conventions: no C
 * runtime, linked with lld-link against ixor_ipc.lib alone. Calls every
 * export on an agent root where product A is registered, the proxy reports
 * where it connects and its local port; exits with the number of the first
 * check that fails. */
#include <ixor_ipc.h>

__declspec(dllimport) void __stdcall ExitProcess(unsigned code);
__declspec(dllimport) void *__stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(void *file, const void *data, unsigned long size,
                                              unsigned long *written, void *overlapped);

static unsigned long length(const char *text)
{
    unsigned long n = 0;
    while (text[n]) {
        n++;
    }
    return n;
}

static int same(const char *a, const char *b)
{
    while (*a && *a == *b) {
        a++;
        b++;
    }
    return *a == *b;
}

static unsigned failed_check;

static void check(unsigned number, const char *what, int ok)
{
    unsigned long written;
    if (ok || failed_check) {
        return;
    }
    failed_check = number;
    WriteFile(GetStdHandle((unsigned long)-11), what, length(what), &written, 0);
}

void consumer_start(void)
{
    char addr[64];
    int port = -1, uid = -1;

    check(1, "change of an unregistered product\n",
          ixor_change_ipcproxy_addrport("B", "50", "127.0.0.1", "8443", 0) == -1);
    check(2, "change\n", ixor_change_ipcproxy_addrport("A", "50", "127.0.0.1", "8443", "11") == 0);
    check(3, "lookup\n", ixor_get_ipcproxy_addrport("A", addr, (int)sizeof addr, &port, &uid) == 0 &&
                             same(addr, "127.0.0.1") && port == 8443 && uid == 11);
    check(4, "regenerate\n", regenerate_ipc_proxy_conf_restart() == 0);
    check(5, "hvk\n", is_running_hvk() == 0);
    check(6, "connect address\n", ixor_get_ipcproxy_connectaddr(addr, (int)sizeof addr, &port) == 0 &&
                                      same(addr, "10.1.2.3") && port == 4433);
    check(7, "local port\n", ixor_get_ipcproxy_localport() == 7788);
    check(8, "remove\n", ixor_remove_product_config("A") == 0);
    check(9, "lookup after remove\n",
          ixor_get_ipcproxy_addrport("A", 0, 0, &port, 0) == 0 && port == 0);
    ExitProcess(failed_check);
}
