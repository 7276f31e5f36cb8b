#include "support/installed.h"

#include <windows.h>
#include <shlobj.h>

#include "shell/record.h"

const std::set<std::string> kAllItems = {"Marvane.lnk", "Marvane Help File.lnk", "Marvane Release Notes.lnk",
                                         "Uninstall Marvane.lnk"};

std::string ProgramsFolder()
{
    char path[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, path) != S_OK)
        return "";
    return path;
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
