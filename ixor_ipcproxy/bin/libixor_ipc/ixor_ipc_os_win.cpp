#include "ixor_ipc_os.h"

#include <windows.h>

int ixor_os_process_id(void) { return (int)GetCurrentProcessId(); }

int ixor_os_thread_id(void) { return (int)GetCurrentThreadId(); }

int ixor_os_localtime(struct tm *out)
{
    __time64_t now = _time64(NULL);
    return _localtime64_s(out, &now) == 0 ? 0 : -1;
}
