// Running out of memory, said as the C library says it: errno ENOMEM.
#include "os.h"

#include <cerrno>

namespace ixor::os {

void say_out_of_memory() { errno = ENOMEM; }

void forget_out_of_memory() { errno = 0; }

bool said_out_of_memory() { return errno == ENOMEM; }

}  // namespace ixor::os
