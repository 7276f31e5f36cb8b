#include "support/installed.h"

#include <gtest/gtest.h>
#include <shlobj.h>

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
