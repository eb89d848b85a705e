// The security descriptors that the Windows seam gives what it creates
// (security_win.cpp). Each is built once; null when the system cannot build
// it, and then nothing is created rather than something open to everybody.
#ifndef IXOR_OS_SECURITY_WIN_H
#define IXOR_OS_SECURITY_WIN_H

#include <windows.h>

namespace ixor::os {

// Folders: SYSTEM, Administrators and the creating account full control,
// Users read and execute; protected, so nothing is inherited from above
// (program data lets users add files). Files inside inherit it.
PSECURITY_DESCRIPTOR folder_security();
// Lock files: SYSTEM, Administrators and the owner only, so that no other
// account can open one, and so none can hold its lock.
PSECURITY_DESCRIPTOR lock_security();
// Gives the object the protected DACL of the descriptor; the handle needs
// WRITE_DAC.
bool set_protected_dacl(HANDLE object, PSECURITY_DESCRIPTOR descriptor);

}  // namespace ixor::os

#endif
