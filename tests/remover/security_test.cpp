// The security descriptor of the remover's working folder, as it is handed to
// CreateDirectoryA: only the user, the Administrators and SYSTEM, every entry
// passed on to what is created inside, nothing taken from the folder above.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include <string>
#include <vector>

#include "product/ownerdacl.h"

namespace {

std::string SidText(PSID sid)
{
    char* text = nullptr;
    ConvertSidToStringSidA(sid, &text);
    std::string s = text ? text : "?";
    LocalFree(text);
    return s;
}

TEST(OwnerOnlySecurity, OnlyTheUserTheAdministratorsAndSystem)
{
    ASSERT_FALSE(IsWindows9x());
    OwnerOnlySecurity security;
    SECURITY_ATTRIBUTES* attributes = BuildOwnerOnlySecurity(&security);
    ASSERT_NE(attributes, nullptr);
    EXPECT_EQ(attributes->nLength, sizeof(SECURITY_ATTRIBUTES));
    EXPECT_FALSE(attributes->bInheritHandle);
    PSECURITY_DESCRIPTOR sd = attributes->lpSecurityDescriptor;
    ASSERT_TRUE(IsValidSecurityDescriptor(sd));

    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(sd, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PRESENT);
    EXPECT_TRUE(control & SE_DACL_PROTECTED);  // nothing inherited from the parent

    BOOL present = FALSE, defaulted = TRUE;
    PACL acl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &acl, &defaulted));
    ASSERT_TRUE(present && acl);
    EXPECT_FALSE(defaulted);
    ASSERT_TRUE(IsValidAcl(acl));

    HANDLE token;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    char buffer[256];
    DWORD size = 0;
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size));
    CloseHandle(token);
    const std::vector<std::string> expected = {SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid),
                                               "S-1-5-32-544", "S-1-5-18"};
    ASSERT_EQ(acl->AceCount, expected.size());
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* ace = nullptr;
        ASSERT_TRUE(GetAce(acl, i, &ace));
        const ACCESS_ALLOWED_ACE* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE) << i;
        EXPECT_EQ(allowed->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) << i;
        EXPECT_EQ(allowed->Mask, static_cast<DWORD>(FILE_ALL_ACCESS)) << i;
        EXPECT_EQ(SidText(const_cast<DWORD*>(&allowed->SidStart)), expected[i]) << i;
    }
    FreeOwnerOnlySecurity(&security);
    EXPECT_EQ(security.admins, nullptr);
    EXPECT_EQ(security.system, nullptr);
}

}  // namespace
