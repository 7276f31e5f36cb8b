// A security descriptor for the remover's working folder: only the current user,
// the Administrators and SYSTEM may reach the folder and what is created inside
// it, and nothing is inherited from the folder above. A folder made under a shared
// temporary directory would otherwise take that directory's wider rights, and
// another user could replace the working copy before it runs elevated.
#ifndef MARVANE_OWNERDACL_H
#define MARVANE_OWNERDACL_H

#include <windows.h>

struct OwnerOnlySecurity {
    SECURITY_ATTRIBUTES attributes;
    SECURITY_DESCRIPTOR descriptor;
    DWORD acl[128];    // three access-allowed entries and their SIDs, DWORD-aligned
    DWORD user[64];    // the token's TOKEN_USER
    PSID admins;
    PSID system;
};

// Fills `security` and returns its attributes for CreateDirectoryA. Null on
// Windows 95, 98 and Me, which have no file security (there the default is all
// there is), and null too when the descriptor cannot be built on Windows NT; the
// caller must then not go on. The functions come from advapi32 at run time:
// Windows 95's advapi32 does not export them all.
SECURITY_ATTRIBUTES* BuildOwnerOnlySecurity(OwnerOnlySecurity* security);

// Frees what BuildOwnerOnlySecurity allocated (the two well-known SIDs).
void FreeOwnerOnlySecurity(OwnerOnlySecurity* security);

// True on Windows 95, 98 and Me.
bool IsWindows9x();

#endif
