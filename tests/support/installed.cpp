#include "support/installed.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>
#include <shlobj.h>

#include <utility>
#include <vector>

#include "shell/record.h"
#include "support/winhelp.h"

const std::set<std::string> kAllItems = {"Marvane.lnk", "Marvane Help File.lnk", "Marvane Release Notes.lnk",
                                         "Uninstall Marvane.lnk"};

std::string Packed(const std::string& name)
{
    return ReadFileBytes(WindowsPath(Env("MARVANE_PAYLOAD_OUT")) + "\\" + name);
}

DWORD PackedKib()
{
    size_t bytes = 0;
    for (const PayloadFile& row : fileTable)
        bytes += Packed(row.destName).size();
    return static_cast<DWORD>((bytes + 1023) / 1024);
}

void ExpectInstalledAsPacked(const std::string& dir, const std::string& skipped)
{
    for (const PayloadFile& row : fileTable) {
        std::string want = Packed(row.destName), path = dir + "\\" + row.destName;
        ASSERT_FALSE(want.empty()) << "packed file missing: " << row.destName;
        EXPECT_TRUE(row.destName == skipped || ReadFileBytes(path) == want) << "installed bytes differ: " << path;
    }
}

std::string ProgramsFolder()
{
    char path[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return "";
    return path;
}

std::set<std::string> GroupItems(const std::string& group)
{
    const std::vector<std::string> names = ListDir(ProgramsFolder() + "\\" + group);
    return std::set<std::string>(names.begin(), names.end());
}

std::string Profile(const char* key)
{
    char buf[1024];
    GetProfileStringA(RECORD_SECTION, key, "<absent>", buf, sizeof buf);
    return buf;
}

bool SectionExists()
{
    char buf[512];
    return GetProfileSectionA(RECORD_SECTION, buf, sizeof buf) > 0;
}

bool UninstallKeyExists()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

RegValue ReadValue(HKEY key, const char* name)
{
    RegValue v;
    BYTE data[4096];
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, &v.type, data, &size) == ERROR_SUCCESS) {
        v.present = true;
        v.bytes.assign(reinterpret_cast<const char*>(data), size);
    }
    return v;
}

RegValue UninstallValue(const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return RegValue();
    RegValue v = ReadValue(key, name);
    RegCloseKey(key);
    return v;
}

std::string WithNul(const std::string& text)
{
    return text + std::string(1, '\0');
}

void ExpectSection(const std::string& dir, const std::string& dataDir, const std::string& group)
{
    EXPECT_EQ(Profile("DIR"), dir);
    EXPECT_EQ(Profile("DEFDIR"), dataDir);
    EXPECT_EQ(Profile("GROUP"), group);
    EXPECT_EQ(Profile("INSTOPTS"), "1");
}

void ExpectUninstallEntry(const std::string& dir, const std::string& dataDir, const std::string& group, DWORD kib)
{
    std::string remover = dir + "\\remove.exe";
    if (remover.find(' ') != std::string::npos)
        remover = "\"" + remover + "\"";
    const std::string args = "-f " + dir + " -d " + dataDir + " -g " + group;
    const std::pair<const char*, std::string> texts[] = {
        {"DisplayName", "Corvatek Marvane Uninstall"},
        {"DisplayVersion", "2.6"},
        {"Publisher", "Corvatek"},
        {"InstallLocation", dir},
        {"UninstallString", remover + " " + args},
        {"QuietUninstallString", remover + " -q " + args},
        {"DisplayIcon", dir + "\\Marvane.exe,0"},
    };
    for (const auto& t : texts) {
        RegValue v = UninstallValue(t.first);
        EXPECT_TRUE(v.present) << t.first;
        EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ)) << t.first;
        EXPECT_EQ(v.bytes, WithNul(t.second)) << t.first;
    }
    const std::pair<const char*, DWORD> numbers[] = {{"NoModify", 1}, {"NoRepair", 1}, {"EstimatedSize", kib}};
    for (const auto& n : numbers) {
        RegValue v = UninstallValue(n.first);
        EXPECT_TRUE(v.present) << n.first;
        EXPECT_EQ(v.type, static_cast<DWORD>(REG_DWORD)) << n.first;
        // Little-endian, as the registry stores a REG_DWORD.
        EXPECT_EQ(v.bytes, std::string(reinterpret_cast<const char*>(&n.second), sizeof n.second))
            << n.first << ": expected " << n.second;
    }
}

DWORD EveryoneRights(const std::string& path)
{
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &sd) != ERROR_SUCCESS)
        return 0xFFFFFFFF;  // unreadable: as open as can be
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    DWORD rights = dacl ? 0 : 0xFFFFFFFF;  // no DACL at all grants everything
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (GetAce(dacl, i, reinterpret_cast<void**>(&ace)) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            EqualSid(&ace->SidStart, everyone))
            rights |= ace->Mask;
    }
    FreeSid(everyone);
    LocalFree(sd);
    return rights;
}

bool SetRights(const std::string& path, const char* sddl)
{
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr))
        return false;
    bool ok = SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, sd) != 0;
    LocalFree(sd);
    return ok;
}
