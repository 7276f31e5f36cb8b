#include "payload/extract.h"

#include <cstdio>
#include <cstring>

#include "install/dirsecurity.h"
#include "install/messages.h"
#include "payload/copy.h"
#include "payload/crc32.h"
#include "payload/filetable.h"
#include "payload/paths.h"
#include "payload/privatedir.h"
#include "resources/resource.h"
#include "startup/state.h"

namespace {

enum {
    TEMP_DIR_CHARS = 300,     // that, plus the private directory's name and "\"
    TEMP_FILE_CHARS = 512,
};

// Names of the run's private directories: the prefix and eight hex digits.
const char kPrivatePrefix[] = "MVN";

// This run's private directory, ending in "\"; empty until ExtractAll made it.
char tempDir[TEMP_DIR_CHARS];

// Loads message `id`, fills it, and writes it to the setup log.
void LogMessage(unsigned id, ...)
{
    char format[MESSAGE_CHARS];
    char text[MESSAGE_CHARS];
    va_list args;
    va_start(args, id);
    if (!LoadMessage(id, format, sizeof format) || !FormatMessageTextV(text, sizeof text, format, args))
        CopyText(text, sizeof text, format);
    va_end(args);
    WriteLog(text);
}

// Deletes a run's payload files in dir (ending in "\"), then dir itself if that
// left it empty (nothing of anyone else's goes). This run's own files are the
// rows it extracted, each logged before it goes, whatever the outcome; an ended
// run's are any of the table's, logged when they were there.
void DeleteRunFiles(char* dir, bool ownRun)
{
    for (int i = 0; i < fileCount; ++i) {
        const PayloadFile& row = fileTable[i];
        if (ownRun && !(row.status & STATUS_EXTRACTED))
            continue;
        const char* name = ownRun ? row.sourceName : row.destName;
        if (ownRun)
            LogMessage(IDS_REMOVING_TEMP, dir, name);
        char path[TEMP_FILE_CHARS];
        int len = std::snprintf(path, sizeof path, "%s%s", dir, name);
        if (len > 0 && static_cast<size_t>(len) < sizeof path && DeleteFileA(path) && !ownRun)
            LogMessage(IDS_REMOVING_TEMP, dir, name);
    }
    dir[std::strlen(dir) - 1] = '\0';
    RemoveDirectoryA(dir);
}

// Private directories of earlier runs that ended without their clean-up (killed,
// or the machine went down). This run holds the run lock, so no other run is at
// work in one of them. Only what a run puts there goes: the payload files by
// name, then the directory if that left it empty.
void DeleteEndedRunFiles(char* dir, const char*, void*)
{
    DeleteRunFiles(dir, false);
}

// Makes this run's directory inside the platform's temporary directory. Deployment
// tools run the Installer as SYSTEM, whose TEMP every user may write into: on
// Windows NT the directory lets in only this user, the Administrators and SYSTEM,
// so that nobody else can change a container between its check and its expansion,
// and without that security it is not made at all.
bool MakePrivateTempDir()
{
    char dir[TEMP_DIR_CHARS - 1];
    DirectorySecurity security;
    SECURITY_ATTRIBUTES* attributes = BuildOwnerOnlySecurity(&security);
    dir[0] = '\0';
    if ((!attributes && !IsWindows9x()) || !MakePrivateDirectory(kPrivatePrefix, attributes, dir, sizeof dir)) {
        LogMessage(IDS_CREATE_ERROR, dir);
        tempDir[0] = '\0';
        return false;
    }
    std::snprintf(tempDir, sizeof tempDir, "%s\\", dir);
    return true;
}

// Writes the resource data to a new file at path; a file not written whole is
// deleted again, so that no truncated payload is ever expanded.
bool WriteWholeFile(const char* path, const void* data, DWORD size)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        LogMessage(IDS_CREATE_ERROR, path);
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, data, size, &written, nullptr) && written == size;
    if (!ok)
        LogMessage(IDS_WRITE_ERROR, path, static_cast<unsigned>(written), static_cast<unsigned>(size));
    if (!CloseHandle(file))
        ok = false;
    if (!ok)
        DeleteFileA(path);
    return ok;
}

// The build records every container's CRC-32 in one resource (FindRecordedCrc). A
// container without an entry cannot be vouched for and counts as damaged too.
bool PayloadIntact(HINSTANCE instance, const char* resource, const void* data, DWORD size)
{
    HRSRC found = FindResourceA(instance, PAYLOAD_CHECKSUM_NAME, PAYLOAD_CHECKSUM_TYPE);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void* record = loaded ? LockResource(loaded) : nullptr;
    uint32_t expected = 0;
    bool intact = record && FindRecordedCrc(record, SizeofResource(instance, found), resource, &expected) &&
                  Crc32(data, size) == expected;
    if (loaded)
        FreeResource(loaded);
    return intact;
}

}  // namespace

int ExtractPayload(HINSTANCE instance, HWND progressLine, const char* resource, const char* dir,
                   const char* fileName)
{
    HRSRC found = FindResourceA(instance, resource, PAYLOAD_RESOURCE_TYPE);
    if (!found) {
        LogMessage(IDS_FIND_RES_FAILED, resource);
        return 0;
    }
    DWORD size = SizeofResource(instance, found);
    HGLOBAL loaded = LoadResource(instance, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) {
        LogMessage(IDS_LOAD_RES_FAILED, resource);
        return 0;
    }
    // Checked before anything is written: no damaged file reaches the disk.
    if (!PayloadIntact(instance, resource, data, size)) {
        LogMessage(IDS_PAYLOAD_DAMAGED, resource);
        FreeResource(loaded);
        return EXTRACT_DAMAGED;
    }

    char path[TEMP_FILE_CHARS];
    int len = std::snprintf(path, sizeof path, "%s%s", dir, fileName);
    if (len < 0 || static_cast<size_t>(len) >= sizeof path) {
        // A cut name would be some other file: refuse it.
        LogMessage(IDS_CREATE_ERROR, path);
        FreeResource(loaded);
        return 0;
    }

    char text[MESSAGE_CHARS];
    LoadFormattedMessage(IDS_EXTRACTING, text, sizeof text, path, static_cast<unsigned>(size));
    WriteLog(text);
    if (progressLine)
        SetWindowTextA(progressLine, text);

    bool ok = WriteWholeFile(path, data, size);
    FreeResource(loaded);
    return ok ? 1 : 0;
}

int ExtractAll(HINSTANCE instance, HWND owner)
{
    HWND progressLine = OpenProgressDialog(instance, owner);

    int count = 0;
    ForEachPrivateDirectory(kPrivatePrefix, DeleteEndedRunFiles, nullptr);
    if (MakePrivateTempDir()) {
        for (int i = 0; i < fileCount; ++i) {
            PayloadFile& row = fileTable[i];
            int extracted = ExtractPayload(instance, progressLine, row.resource, tempDir, row.destName);
            if (extracted == EXTRACT_DAMAGED)
                row.status |= STATUS_DAMAGED;
            if (extracted > 0) {
                row.status |= STATUS_EXTRACTED;
                ++count;
            }
        }
    }

    CloseProgressDialog(owner);
    return count;
}

bool TempDirTooLong()
{
    char base[MAX_PATH];
    DWORD n = GetTempPathA(sizeof base, base);
    // "<temp>\MVN12345678\<name>": every payload path must stay within MAX_PATH.
    // Without a temporary directory at all, the extraction fails on its own.
    return n >= sizeof base || (n > 0 && n + std::strlen(SeparatorAfter(base)) + sizeof kPrivatePrefix - 1 + 8 + 1 +
                                                 LongestInstalledName() >=
                                             MAX_PATH);
}

const char* PayloadTempDir()
{
    return tempDir;
}

int RemoveTempFiles()
{
    // Without a private directory this run wrote nothing: never touch the shared one.
    if (!tempDir[0])
        return 0;
    DeleteRunFiles(tempDir, true);
    tempDir[0] = '\0';
    return 0;
}

size_t LongestInstalledName()
{
    size_t longest = 0;
    for (int i = 0; i < fileCount; ++i) {
        size_t n = std::strlen(fileTable[i].destName);
        if (n > longest)
            longest = n;
    }
    return longest;
}
