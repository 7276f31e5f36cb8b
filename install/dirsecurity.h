// Security descriptors for the directories the Installer's programs make: the
// program directory, which only the Administrators and SYSTEM may change, and the
// remover's working folder, which only the user, the Administrators and SYSTEM may
// reach. Both are protected (nothing is inherited from the folder above) and pass
// every entry on to what is created inside. A folder made under the root of a
// drive or under a shared temporary directory would otherwise take that folder's
// wider rights, and another user could replace a program that later runs elevated.
//
// The descriptor is written out in its self-relative form, from well-known SIDs:
// no security function of advapi32 is needed for it (Windows 95's advapi32 lacks
// them). The few that are needed are looked up at run time.
#ifndef MARVANE_DIRSECURITY_H
#define MARVANE_DIRSECURITY_H

#include <windows.h>

struct DirectorySecurity {
    SECURITY_ATTRIBUTES attributes;
    DWORD descriptor[64];  // header, DACL, three entries with their SIDs; DWORD-aligned
};

// One access-allowed entry: a SID, as it is laid out, and the rights it is given.
struct SecurityEntry {
    const void* sid;
    DWORD mask;
};

extern const DWORD kAdministratorsSid[4];  // S-1-5-32-544
extern const DWORD kUsersSid[4];           // S-1-5-32-545
extern const DWORD kSystemSid[3];          // S-1-5-18

// Writes into `security` a self-relative descriptor with a DACL of `entries`, each
// passed on to files and folders (object and container inherit), protected from
// the entries of the folder above, and returns its attributes for
// CreateDirectoryA. Null on Windows 95, 98 and Me, which have no file security.
SECURITY_ATTRIBUTES* BuildDirectorySecurity(DirectorySecurity* security, const SecurityEntry* entries, int count);

// The program directory: full control for the Administrators and SYSTEM, read and
// execute for Users. Null on Windows 95, 98 and Me, which have no file security.
SECURITY_ATTRIBUTES* BuildProgramDirSecurity(DirectorySecurity* security);

// The remover's working folder and the Installer's extraction folder: full
// control for the current user, the Administrators and SYSTEM. Null on Windows 95, 98 and Me, and null too when the
// user's SID cannot be read on Windows NT; the caller must then not go on.
SECURITY_ATTRIBUTES* BuildOwnerOnlySecurity(DirectorySecurity* security);

// Reads the current user's TOKEN_USER (its SID) into buffer, of bytes bytes.
// False on Windows 95, 98 and Me, or when it cannot be read.
bool CurrentUserSid(DWORD* buffer, DWORD bytes);

// Gives the existing directory `dir` the DACL of `security`, passed on by the
// system to the files and folders already in it (SetNamedSecurityInfoA).
// ERROR_SUCCESS, or the system's error.
DWORD ApplyDirectorySecurity(const char* dir, const DirectorySecurity* security);

// True on Windows 95, 98 and Me.
bool IsWindows9x();

// A function of advapi32 (imported already, so nothing is loaded), or null.
FARPROC AdvapiFunction(const char* name);

#endif
