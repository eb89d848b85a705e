// What the Windows seam uses as found: folders and files owned by the
// system or by the caller. A folder of the caller's that other accounts may
// write gets the folder DACL; the rest is refused and reported.
//
// Folders of SYSTEM, the Administrators or TrustedInstaller are used as
// they are, whoever calls: a drive root or the program-data folder lets
// users add entries of their own (as a sticky /tmp does), and the owner
// check of the next level catches those. That holds for a caller who is
// SYSTEM or an elevated administrator too, whose own folders are owned by
// SYSTEM or the Administrators: the seam cannot tell a folder it made from
// a system folder above it, and narrowing the program-data folder would
// lock every other program out, so only folders owned by the calling
// account itself, not one of those three, are ever narrowed.
#include "handle_win.h"
#include "os.h"
#include "security_win.h"
#include "text_win.h"

#include <aclapi.h>
#include <sddl.h>

#include <memory>

namespace ixor::os {
namespace {

using Local = std::unique_ptr<void, decltype(&LocalFree)>;

// Rights that let an account change a folder, its entries or its DACL.
constexpr ACCESS_MASK write_rights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                     FILE_DELETE_CHILD | FILE_WRITE_ATTRIBUTES | DELETE |
                                     WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

Local sid_of(const std::wstring &text)
{
    PSID sid = nullptr;
    return Local(ConvertStringSidToSidW(text.c_str(), &sid) ? sid : nullptr, LocalFree);
}

std::string text_of(PSID sid)
{
    LPWSTR text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text))
        return "an unknown account";
    const Local held(text, LocalFree);
    return narrow(text);
}

// The account the process runs as; "" when its token cannot be read.
std::wstring caller_text()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return L"";
    const Handle held(token);
    alignas(TOKEN_USER) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenUser, user, sizeof user, &size))
        return L"";
    return widen(text_of(reinterpret_cast<TOKEN_USER *>(user)->User.Sid));
}

struct Accounts {
    Local caller = sid_of(caller_text());
    Local system = sid_of(L"S-1-5-18");
    Local admins = sid_of(L"S-1-5-32-544");
    Local installer = sid_of(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464");
    Local creator_owner = sid_of(L"S-1-3-0");
    Local owner_rights = sid_of(L"S-1-3-4");
};

const Accounts &accounts()
{
    static const Accounts known;
    return known;
}

bool is(PSID sid, const Local &account) { return account && EqualSid(sid, account.get()); }

bool system_owned(PSID owner)
{
    const Accounts &known = accounts();
    return is(owner, known.system) || is(owner, known.admins) || is(owner, known.installer);
}

// Write rights given to anybody but the system, the owner and the caller;
// a null DACL gives them to everybody.
bool open_to_others(PACL dacl, PSID owner)
{
    const Accounts &known = accounts();
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE *ace = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void **>(&ace)) ||
            ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || !(ace->Mask & write_rights))
            continue;
        const PSID sid = &ace->SidStart;
        if (!EqualSid(sid, owner) && !system_owned(sid) && !is(sid, known.caller) &&
            !is(sid, known.creator_owner) && !is(sid, known.owner_rights))
            return true;
    }
    return !dacl;
}

bool refuse(const std::string &path, const std::string &why)
{
    report("refusing " + path + ": " + why);
    SetLastError(refused_error);
    return false;
}

// The owner's and, when asked for, the DACL; no owner when they cannot be
// read.
struct Security {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    Local descriptor{nullptr, LocalFree};
};

Security security_of(HANDLE object, SECURITY_INFORMATION what)
{
    Security found;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_FILE_OBJECT, what, &found.owner, nullptr, &found.dacl, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return Security();
    found.descriptor.reset(descriptor);
    return found;
}

bool trusted_owner(PSID owner, const std::string &path)
{
    if (!owner)
        return refuse(path, "its owner cannot be read");
    return system_owned(owner) || is(owner, accounts().caller) ||
           refuse(path, "owned by " + text_of(owner) + ", neither the system nor this account");
}

bool narrow(HANDLE folder, const std::string &path)
{
    if (!set_protected_dacl(folder, folder_security()))
        return refuse(path, "other accounts could write it, and it cannot be narrowed");
    report("narrowed " + path + ": other accounts could write it");
    return true;
}

}  // namespace

bool usable_folder(HANDLE folder, const std::string &path)
{
    const Security found =
        security_of(folder, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
    if (!trusted_owner(found.owner, path))
        return false;
    return system_owned(found.owner) || !open_to_others(found.dacl, found.owner) ||
           narrow(folder, path);
}

bool usable_file(HANDLE file, const std::string &path)
{
    return trusted_owner(security_of(file, OWNER_SECURITY_INFORMATION).owner, path);
}

}  // namespace ixor::os
