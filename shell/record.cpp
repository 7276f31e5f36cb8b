#include "shell/record.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "shell/shelltext.h"
#include "startup/state.h"

namespace {

const char kDisplayName[] = "Corvatek " PRODUCT_WORD " Uninstall";
const unsigned kInstallOptions = 1;

// REG_SZ data is the text and its terminating NUL.
void SetTextValue(HKEY key, const char* name, const char* text)
{
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
}

}  // namespace

int ReadInstallValue(const char* key, const char* defaultText, char* buffer)
{
    return static_cast<int>(GetProfileStringA(RECORD_SECTION, key, defaultText, buffer, RECORD_VALUE_CHARS));
}

// Without rights on the key the values are skipped, silently: the profile
// record is what the Installer itself reads back.
void WriteInstallRecord(const char* programDir, const char* dataDir, const char* groupName)
{
    HKEY key;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, &key) == ERROR_SUCCESS) {
        SetTextValue(key, "DisplayName", kDisplayName);
        char commandLine[UNINSTALL_STRING_CHARS];
        if (ComposeUninstallString(commandLine, sizeof commandLine, programDir, dataDir, groupName))
            SetTextValue(key, "UninstallString", commandLine);
        RegCloseKey(key);
    }
    char options[16];
    std::snprintf(options, sizeof options, "%u", kInstallOptions);
    WriteProfileStringA(RECORD_SECTION, "DIR", programDir);
    WriteProfileStringA(RECORD_SECTION, "DEFDIR", dataDir);
    WriteProfileStringA(RECORD_SECTION, "GROUP", groupName);
    WriteProfileStringA(RECORD_SECTION, "INSTOPTS", options);
}

void DeleteInstallRecord()
{
    WriteProfileStringA(RECORD_SECTION, nullptr, nullptr);
}

void DeleteUninstallKey()
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
}
