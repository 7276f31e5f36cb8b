// The security descriptors of the directories the Installer's programs make, as
// they are handed to CreateDirectoryA. The remover's working folder: only the
// user, the Administrators and SYSTEM. The program directory: the Administrators
// and SYSTEM, and Users to read and run. Both pass every entry on to what is
// created inside and take nothing from the folder above.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "install/dirsecurity.h"

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
    DirectorySecurity security;
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
}

// The rights an SDDL rights field grants: hexadecimal, or two-letter codes.
DWORD RightsOf(const std::string& text)
{
    if (text.compare(0, 2, "0x") == 0)
        return std::strtoul(text.c_str(), nullptr, 16);
    static const struct {
        const char* code;
        DWORD mask;
    } codes[] = {{"GA", GENERIC_ALL},       {"GR", GENERIC_READ},       {"GW", GENERIC_WRITE},
                 {"GX", GENERIC_EXECUTE},   {"FA", FILE_ALL_ACCESS},    {"FR", FILE_GENERIC_READ},
                 {"FW", FILE_GENERIC_WRITE}, {"FX", FILE_GENERIC_EXECUTE}, {"RC", READ_CONTROL},
                 {"SD", DELETE},            {"WD", WRITE_DAC},          {"WO", WRITE_OWNER}};
    DWORD mask = 0;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        bool known = false;
        for (const auto& c : codes)
            if (text.compare(i, 2, c.code) == 0) {
                mask |= c.mask;
                known = true;
            }
        if (!known)
            return 0xFFFFFFFF;  // a code this test does not know counts as everything
    }
    return mask;
}

TEST(ProgramDirSecurity, OnlyAdministratorsAndSystemMayChangeIt)
{
    DirectorySecurity security;
    SECURITY_ATTRIBUTES* attributes = BuildProgramDirSecurity(&security);
    ASSERT_NE(attributes, nullptr);
    EXPECT_EQ(attributes->nLength, sizeof(SECURITY_ATTRIBUTES));
    EXPECT_FALSE(attributes->bInheritHandle);
    ASSERT_TRUE(IsValidSecurityDescriptor(attributes->lpSecurityDescriptor));

    // Looked up as the programs look up what Windows 95 lacks.
    typedef BOOL(WINAPI * ToTextFn)(PSECURITY_DESCRIPTOR, DWORD, SECURITY_INFORMATION, LPSTR*, PULONG);
    auto toText = reinterpret_cast<ToTextFn>(
        reinterpret_cast<void*>(AdvapiFunction("ConvertSecurityDescriptorToStringSecurityDescriptorA")));
    ASSERT_NE(toText, nullptr);
    char* text = nullptr;
    ASSERT_TRUE(toText(attributes->lpSecurityDescriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr));
    std::string sddl = text;
    LocalFree(text);

    // "D:" and the DACL's flags: protected ("P"), nothing inherited ("AI" would be).
    ASSERT_EQ(sddl.compare(0, 3, "D:P"), 0) << sddl;
    size_t open = sddl.find('(');
    ASSERT_NE(open, std::string::npos) << sddl;
    EXPECT_EQ(sddl.substr(2, open - 2), "P") << sddl;

    // (type;flags;rights;object;inherited object;SID), one per entry.
    std::vector<std::vector<std::string>> entries;
    for (size_t at = open; at < sddl.size() && sddl[at] == '(';) {
        size_t close = sddl.find(')', at);
        ASSERT_NE(close, std::string::npos) << sddl;
        std::vector<std::string> fields;
        std::string body = sddl.substr(at + 1, close - at - 1);
        for (size_t from = 0;;) {
            size_t semi = body.find(';', from);
            fields.push_back(body.substr(from, semi == std::string::npos ? std::string::npos : semi - from));
            if (semi == std::string::npos)
                break;
            from = semi + 1;
        }
        ASSERT_EQ(fields.size(), 6u) << body;
        entries.push_back(fields);
        at = close + 1;
    }
    ASSERT_EQ(entries.size(), 3u) << sddl;
    const char* const sids[] = {"BA", "SY", "BU"};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(entries[i][0], "A") << sddl;     // access allowed
        EXPECT_EQ(entries[i][1], "OICI") << sddl;  // passed on to files and folders, this folder too
        EXPECT_EQ(entries[i][5], sids[i]) << sddl;
    }
    EXPECT_EQ(RightsOf(entries[0][2]), static_cast<DWORD>(FILE_ALL_ACCESS)) << sddl;
    EXPECT_EQ(RightsOf(entries[1][2]), static_cast<DWORD>(FILE_ALL_ACCESS)) << sddl;
    EXPECT_EQ(RightsOf(entries[2][2]), static_cast<DWORD>(FILE_GENERIC_READ | FILE_GENERIC_EXECUTE)) << sddl;

    // Nobody but the Administrators and SYSTEM may write, delete or change the rights.
    const DWORD writing = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                          FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
    for (const auto& e : entries) {
        if (e[5] == "BU" || e[5] == "AU" || e[5] == "WD") {
            EXPECT_EQ(RightsOf(e[2]) & writing, 0u) << e[5] << " may write: " << sddl;
        }
    }
}

}  // namespace
