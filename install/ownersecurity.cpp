// Folders of the user's own: only the user, the Administrators and SYSTEM. The
// functions that read the user's SID are Windows NT's: looked up, not imported.
#include "install/dirsecurity.h"

namespace {

template <class Fn>
Fn* Lookup(Fn*, const char* name)
{
    return reinterpret_cast<Fn*>(reinterpret_cast<void*>(AdvapiFunction(name)));
}

}  // namespace

bool CurrentUserSid(DWORD* buffer, DWORD bytes)
{
    if (IsWindows9x())
        return false;
    auto* openToken = Lookup(&OpenProcessToken, "OpenProcessToken");
    auto* tokenInformation = Lookup(&GetTokenInformation, "GetTokenInformation");
    HANDLE token;
    // The current process's pseudo-handle, as GetCurrentProcess returns it on every
    // version: one import less for setup.exe.
    const HANDLE self = reinterpret_cast<HANDLE>(-1);
    if (!openToken || !tokenInformation || !openToken(self, TOKEN_QUERY, &token))
        return false;
    DWORD needed = 0;
    BOOL ok = tokenInformation(token, TokenUser, buffer, bytes, &needed);
    CloseHandle(token);
    return ok != 0;
}

SECURITY_ATTRIBUTES* BuildOwnerOnlySecurity(DirectorySecurity* s)
{
    DWORD user[32];
    if (!CurrentUserSid(user, sizeof user))
        return nullptr;
    const SecurityEntry entries[] = {{reinterpret_cast<TOKEN_USER*>(user)->User.Sid, FILE_ALL_ACCESS},
                                     {kAdministratorsSid, FILE_ALL_ACCESS},
                                     {kSystemSid, FILE_ALL_ACCESS}};
    return BuildDirectorySecurity(s, entries, 3);
}

