#include "product/ownerdacl.h"

#include <cstring>

#ifndef SE_DACL_PROTECTED
#define SE_DACL_PROTECTED 0x1000
#endif

namespace {

struct Advapi {
    BOOL(WINAPI* OpenProcessToken)(HANDLE, DWORD, PHANDLE);
    BOOL(WINAPI* GetTokenInformation)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
    BOOL(WINAPI* AllocateAndInitializeSid)(PSID_IDENTIFIER_AUTHORITY, BYTE, DWORD, DWORD, DWORD, DWORD, DWORD,
                                           DWORD, DWORD, DWORD, PSID*);
    PVOID(WINAPI* FreeSid)(PSID);
    DWORD(WINAPI* GetLengthSid)(PSID);
    BOOL(WINAPI* InitializeAcl)(PACL, DWORD, DWORD);
    BOOL(WINAPI* AddAccessAllowedAce)(PACL, DWORD, DWORD, PSID);
    BOOL(WINAPI* GetAce)(PACL, DWORD, LPVOID*);
    BOOL(WINAPI* InitializeSecurityDescriptor)(PSECURITY_DESCRIPTOR, DWORD);
    BOOL(WINAPI* SetSecurityDescriptorDacl)(PSECURITY_DESCRIPTOR, BOOL, PACL, BOOL);
    // Windows 2000 and later; NT 4.0 inherits nothing into a given DACL anyway.
    BOOL(WINAPI* SetSecurityDescriptorControl)(PSECURITY_DESCRIPTOR, SECURITY_DESCRIPTOR_CONTROL,
                                               SECURITY_DESCRIPTOR_CONTROL);
};

template <class Fn>
bool Find(HMODULE module, Fn* fn, const char* name)
{
    *fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return *fn != nullptr;
}

bool LoadAdvapi(Advapi* a)
{
    // Imported for the registry already, so asking for its handle loads nothing.
    HMODULE m = GetModuleHandleA("advapi32.dll");
    if (!m)
        return false;
    Find(m, &a->SetSecurityDescriptorControl, "SetSecurityDescriptorControl");
    return Find(m, &a->OpenProcessToken, "OpenProcessToken") &&
           Find(m, &a->GetTokenInformation, "GetTokenInformation") &&
           Find(m, &a->AllocateAndInitializeSid, "AllocateAndInitializeSid") && Find(m, &a->FreeSid, "FreeSid") &&
           Find(m, &a->GetLengthSid, "GetLengthSid") && Find(m, &a->InitializeAcl, "InitializeAcl") &&
           Find(m, &a->AddAccessAllowedAce, "AddAccessAllowedAce") && Find(m, &a->GetAce, "GetAce") &&
           Find(m, &a->InitializeSecurityDescriptor, "InitializeSecurityDescriptor") &&
           Find(m, &a->SetSecurityDescriptorDacl, "SetSecurityDescriptorDacl");
}

// The current user's SID, into the caller's buffer.
PSID CurrentUser(const Advapi& a, DWORD* buffer, DWORD size)
{
    HANDLE token;
    if (!a.OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return nullptr;
    DWORD needed = 0;
    BOOL ok = a.GetTokenInformation(token, TokenUser, buffer, size, &needed);
    CloseHandle(token);
    return ok ? reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid : nullptr;
}

}  // namespace

bool IsWindows9x()
{
    return (GetVersion() & 0x80000000u) != 0;
}

SECURITY_ATTRIBUTES* BuildOwnerOnlySecurity(OwnerOnlySecurity* s)
{
    std::memset(s, 0, sizeof *s);
    Advapi a;
    if (IsWindows9x() || !LoadAdvapi(&a))
        return nullptr;
    PSID user = CurrentUser(a, s->user, sizeof s->user);
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    if (!user ||
        !a.AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                    &s->admins) ||
        !a.AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &s->system))
        return nullptr;

    PACL acl = reinterpret_cast<PACL>(s->acl);
    PSID sids[] = {user, s->admins, s->system};
    DWORD size = sizeof(ACL);
    for (PSID sid : sids)
        size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + a.GetLengthSid(sid);
    if (size > sizeof s->acl || !a.InitializeAcl(acl, size, ACL_REVISION))
        return nullptr;
    for (DWORD i = 0; i < 3; ++i) {
        void* ace;
        if (!a.AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sids[i]) || !a.GetAce(acl, i, &ace))
            return nullptr;
        // The working copy written into the folder takes the same three entries.
        // (AddAccessAllowedAceEx, which takes the flags, is not on NT 4.0.)
        static_cast<ACE_HEADER*>(ace)->AceFlags = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    }
    if (!a.InitializeSecurityDescriptor(&s->descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !a.SetSecurityDescriptorDacl(&s->descriptor, TRUE, acl, FALSE))
        return nullptr;
    // Without this, Windows 2000 and later would add the parent's inheritable entries.
    if (a.SetSecurityDescriptorControl)
        a.SetSecurityDescriptorControl(&s->descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    s->attributes.nLength = sizeof s->attributes;
    s->attributes.lpSecurityDescriptor = &s->descriptor;
    s->attributes.bInheritHandle = FALSE;
    return &s->attributes;
}

void FreeOwnerOnlySecurity(OwnerOnlySecurity* s)
{
    Advapi a;
    if (!LoadAdvapi(&a))
        return;
    if (s->admins)
        a.FreeSid(s->admins);
    if (s->system)
        a.FreeSid(s->system);
    s->admins = s->system = nullptr;
}
