#include "install/dirsecurity.h"

#include <accctrl.h>

#include <cstddef>
#include <cstring>

#ifndef SE_DACL_PROTECTED
#define SE_DACL_PROTECTED 0x1000
#endif
#ifndef PROTECTED_DACL_SECURITY_INFORMATION
#define PROTECTED_DACL_SECURITY_INFORMATION 0x80000000L
#endif

// Revision 1, the count of sub-authorities, the NT authority (5), the sub-authorities.
const DWORD kAdministratorsSid[4] = {0x0201, 0x05000000, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS};
const DWORD kUsersSid[4] = {0x0201, 0x05000000, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS};
const DWORD kSystemSid[3] = {0x0101, 0x05000000, SECURITY_LOCAL_SYSTEM_RID};

bool IsWindows9x()
{
    return (GetVersion() & 0x80000000u) != 0;
}

SECURITY_ATTRIBUTES* BuildDirectorySecurity(DirectorySecurity* s, const SecurityEntry* entries, int count)
{
    std::memset(s, 0, sizeof *s);
    DWORD version = GetVersion();
    if (version & 0x80000000u)
        return nullptr;  // Windows 95, 98 and Me
    auto* header = reinterpret_cast<SECURITY_DESCRIPTOR_RELATIVE*>(s->descriptor);
    header->Revision = SECURITY_DESCRIPTOR_REVISION;
    header->Control = SE_DACL_PRESENT | SE_SELF_RELATIVE;
    // Without this, Windows 2000 and later would add the parent's inheritable
    // entries. Windows NT 4.0 inherits nothing into a given DACL and knows no such bit.
    if (LOBYTE(version) >= 5)
        header->Control |= SE_DACL_PROTECTED;
    header->Dacl = sizeof *header;
    auto* acl = reinterpret_cast<ACL*>(header + 1);
    acl->AclRevision = ACL_REVISION;
    acl->AceCount = static_cast<WORD>(count);
    BYTE* next = reinterpret_cast<BYTE*>(acl + 1);
    const BYTE* end = reinterpret_cast<const BYTE*>(s->descriptor) + sizeof s->descriptor;
    for (int i = 0; i < count; ++i) {
        DWORD sidLength = 8 + 4 * static_cast<const BYTE*>(entries[i].sid)[1];
        DWORD size = offsetof(ACCESS_ALLOWED_ACE, SidStart) + sidLength;
        if (size > static_cast<DWORD>(end - next))
            return nullptr;
        auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(next);
        ace->Header.AceType = ACCESS_ALLOWED_ACE_TYPE;
        ace->Header.AceFlags = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
        ace->Header.AceSize = static_cast<WORD>(size);
        ace->Mask = entries[i].mask;
        std::memcpy(&ace->SidStart, entries[i].sid, sidLength);
        next += size;
    }
    acl->AclSize = static_cast<WORD>(next - reinterpret_cast<BYTE*>(acl));
    s->attributes.nLength = sizeof s->attributes;
    s->attributes.lpSecurityDescriptor = s->descriptor;
    return &s->attributes;
}

SECURITY_ATTRIBUTES* BuildProgramDirSecurity(DirectorySecurity* s)
{
    const SecurityEntry entries[] = {{kAdministratorsSid, FILE_ALL_ACCESS},
                                     {kSystemSid, FILE_ALL_ACCESS},
                                     {kUsersSid, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE}};
    return BuildDirectorySecurity(s, entries, 3);
}

FARPROC AdvapiFunction(const char* name)
{
    // Imported for the registry already, so asking for its handle loads nothing.
    HMODULE m = GetModuleHandleA("advapi32.dll");
    return m ? GetProcAddress(m, name) : nullptr;
}

DWORD ApplyDirectorySecurity(const char* dir, const DirectorySecurity* s)
{
    typedef DWORD(WINAPI * SetNamedFn)(LPSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID, PACL, PACL);
    auto set = reinterpret_cast<SetNamedFn>(reinterpret_cast<void*>(AdvapiFunction("SetNamedSecurityInfoA")));
    if (!set)
        return ERROR_PROC_NOT_FOUND;
    auto* header = reinterpret_cast<const SECURITY_DESCRIPTOR_RELATIVE*>(s->descriptor);
    auto* acl = reinterpret_cast<PACL>(const_cast<DWORD*>(s->descriptor) + header->Dacl / sizeof(DWORD));
    // Protected here as in the descriptor: the entries inherited from the folder
    // above are dropped, and the system passes the new ones on to what is inside.
    SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION;
    if (header->Control & SE_DACL_PROTECTED)
        what |= PROTECTED_DACL_SECURITY_INFORMATION;
    return set(const_cast<LPSTR>(dir), SE_FILE_OBJECT, what, nullptr, nullptr, acl, nullptr);
}
