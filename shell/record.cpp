#include "shell/record.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "payload/filetable.h"
#include "payload/paths.h"
#include "resources/version.h"
#include "shell/shelltext.h"
#include "startup/state.h"

namespace {

const char kDisplayName[] = UNINSTALL_DISPLAY_NAME;
const unsigned kInstallOptions = 1;

// REG_SZ data is the text and its terminating NUL.
void SetTextValue(HKEY key, const char* name, const char* text)
{
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
}

void SetNumberValue(HKEY key, const char* name, DWORD number)
{
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

// Size of the file at path; 0 for a directory or a file that cannot be read.
// (GetFileAttributesExA would say it in one call, but Windows 95 lacks it.)
unsigned long long FileBytes(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    CloseHandle(file);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return 0;
    return (static_cast<unsigned long long>(high) << 32) | low;
}

}  // namespace

unsigned long EstimateInstalledKiB(const char* programDir, const char* dataDir)
{
    unsigned long long bytes = 0;
    const InstallDirs dirs = {programDir, dataDir, programDir};
    for (int i = 0; i < fileCount; ++i) {
        const PayloadFile& row = fileTable[i];
        char path[2 * NAME_CHARS];
        if ((row.status & STATUS_COPIED) && InstalledPath(path, sizeof path, row, dirs))
            bytes += FileBytes(path);
    }
    const unsigned long long kib = (bytes + 1023) / 1024;
    return kib > 0xFFFFFFFFull ? 0xFFFFFFFFul : static_cast<unsigned long>(kib);
}

int ReadInstallValue(const char* key, const char* defaultText, char* buffer)
{
    return ReadInstallText(key, defaultText, buffer, RECORD_VALUE_CHARS);
}

int ReadInstallText(const char* key, const char* defaultText, char* buffer, unsigned cap)
{
    return static_cast<int>(GetProfileStringA(RECORD_SECTION, key, defaultText, buffer, cap));
}

// Without rights on the key the values are skipped, silently: the profile
// record is what the Installer itself reads back.
bool WriteInstallRecord(const char* programDir, const char* dataDir, const char* groupName)
{
    HKEY key;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, &key) == ERROR_SUCCESS) {
        SetTextValue(key, "DisplayName", kDisplayName);
        char commandLine[UNINSTALL_STRING_CHARS];
        if (ComposeUninstallString(commandLine, sizeof commandLine, programDir, dataDir, groupName))
            SetTextValue(key, "UninstallString", commandLine);
        // Package managers remove the product with this one, and ask nothing.
        if (ComposeQuietUninstallString(commandLine, sizeof commandLine, programDir, dataDir, groupName))
            SetTextValue(key, "QuietUninstallString", commandLine);
        // There is no change or repair mode: the system must not offer one.
        SetNumberValue(key, "NoModify", 1);
        SetNumberValue(key, "NoRepair", 1);
        // What the system's list of installed programs shows beside the name.
        SetTextValue(key, "DisplayVersion", VERSION_TEXT);
        SetTextValue(key, "Publisher", COMPANY_TEXT);
        SetTextValue(key, "InstallLocation", programDir);
        if (ComposeDisplayIcon(commandLine, sizeof commandLine, programDir))
            SetTextValue(key, "DisplayIcon", commandLine);
        SetNumberValue(key, "EstimatedSize", EstimateInstalledKiB(programDir, dataDir));
        RegCloseKey(key);
    }
    char options[16];
    std::snprintf(options, sizeof options, "%u", kInstallOptions);
    // WIN.INI is what the Installer reads back: a write that fails there is reported.
    BOOL written = WriteProfileStringA(RECORD_SECTION, "DIR", programDir);
    written &= WriteProfileStringA(RECORD_SECTION, "DEFDIR", dataDir);
    written &= WriteProfileStringA(RECORD_SECTION, "GROUP", groupName);
    written &= WriteProfileStringA(RECORD_SECTION, "INSTOPTS", options);
    return written != 0;
}

void DeleteInstallRecord()
{
    WriteProfileStringA(RECORD_SECTION, nullptr, nullptr);
}

void DeleteUninstallKey()
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
}
