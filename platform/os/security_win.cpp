// Security descriptors of what the Windows seam creates, from SDDL.
#include "security_win.h"

#include <aclapi.h>
#include <sddl.h>

namespace ixor::os {
namespace {

PSECURITY_DESCRIPTOR from_sddl(const wchar_t *sddl)
{
    PSECURITY_DESCRIPTOR sd = nullptr;
    return ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr)
               ? sd
               : nullptr;
}

}  // namespace

PSECURITY_DESCRIPTOR folder_security()
{
    static const PSECURITY_DESCRIPTOR descriptor =
        from_sddl(L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;OW)(A;OICI;0x1200a9;;;BU)");
    return descriptor;
}

PSECURITY_DESCRIPTOR lock_security()
{
    static const PSECURITY_DESCRIPTOR descriptor =
        from_sddl(L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;OW)");
    return descriptor;
}

bool set_protected_dacl(HANDLE object, PSECURITY_DESCRIPTOR descriptor)
{
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    return descriptor && GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) &&
           present &&
           SetSecurityInfo(object, SE_FILE_OBJECT,
                           DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                           nullptr, dacl, nullptr) == ERROR_SUCCESS;
}

}  // namespace ixor::os
