#include "ixor_ipc_os.h"

#include <sys/syscall.h>
#include <unistd.h>

int ixor_os_process_id(void) { return (int)getpid(); }

int ixor_os_thread_id(void) { return (int)syscall(SYS_gettid); }

int ixor_os_localtime(struct tm *out)
{
    time_t now = time(NULL);
    return localtime_r(&now, out) != NULL ? 0 : -1;
}
