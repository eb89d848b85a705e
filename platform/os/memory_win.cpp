// Running out of memory, said in the thread's last error, which every
// module of the process shares (each DLL may carry its own errno).
#include "os.h"

#include <windows.h>

namespace ixor::os {

void say_out_of_memory() { SetLastError(ERROR_NOT_ENOUGH_MEMORY); }

void forget_out_of_memory() { SetLastError(ERROR_SUCCESS); }

bool said_out_of_memory() { return GetLastError() == ERROR_NOT_ENOUGH_MEMORY; }

}  // namespace ixor::os
