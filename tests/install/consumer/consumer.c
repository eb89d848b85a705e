/* Uses the installed header from C and calls the library on an empty root. */
#include <stdio.h>

#include <ixor_ipc.h>

int main(void)
{
    char addr[32] = "unset";
    int port = -1;
    int lookup = ixor_get_ipcproxy_addrport("P1", addr, (int)sizeof addr, &port, NULL);
    int hvk = is_running_hvk();
    int local = ixor_get_ipcproxy_localport();
    printf("lookup=%d hvk=%d local=%d addr=%s\n", lookup, hvk, local, addr);
    return lookup == -1 && hvk == 0 && local == 0 ? 0 : 1;
}
