// The remover's working folder: only the user, the Administrators and SYSTEM.
// Apart from the rest of install/dirsecurity.cpp, so that setup.exe, which never
// makes that folder, imports none of what reads the user's SID.
#include "install/dirsecurity.h"

namespace {

template <class Fn>
Fn* Lookup(Fn*, const char* name)
{
    return reinterpret_cast<Fn*>(reinterpret_cast<void*>(AdvapiFunction(name)));
}

}  // namespace

SECURITY_ATTRIBUTES* BuildOwnerOnlySecurity(DirectorySecurity* s)
{
    if (IsWindows9x())
        return nullptr;
    // The current user's SID, from the token (functions of Windows NT only).
    auto* openToken = Lookup(&OpenProcessToken, "OpenProcessToken");
    auto* tokenInformation = Lookup(&GetTokenInformation, "GetTokenInformation");
    DWORD user[32];
    HANDLE token;
    if (!openToken || !tokenInformation || !openToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return nullptr;
    DWORD needed = 0;
    BOOL ok = tokenInformation(token, TokenUser, user, sizeof user, &needed);
    CloseHandle(token);
    if (!ok)
        return nullptr;
    const SecurityEntry entries[] = {{reinterpret_cast<TOKEN_USER*>(user)->User.Sid, FILE_ALL_ACCESS},
                                     {kAdministratorsSid, FILE_ALL_ACCESS},
                                     {kSystemSid, FILE_ALL_ACCESS}};
    return BuildDirectorySecurity(s, entries, 3);
}

