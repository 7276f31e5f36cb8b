#include "payload/remove.h"

#include <cstdio>
#include <cstring>

#include "install/messages.h"
#include "payload/filetable.h"
#include "resources/resource.h"
#include "shell/progman.h"
#include "shell/record.h"
#include "startup/state.h"

namespace {

enum { REMOVE_PATH_CHARS = RECORD_VALUE_CHARS + 8 + NAME_CHARS };

// The closing message: always logged, shown unless quiet.
void Close(HWND owner, const char* caption, const char* text)
{
    WriteLog(text);
    if (!installer.quietMode)
        MessageBoxA(owner, text, caption, MB_OK | MB_ICONINFORMATION);
}

bool EndsWithNoCase(const char* text, const char* tail)
{
    size_t n = std::strlen(text), m = std::strlen(tail);
    return n >= m && lstrcmpiA(text + n - m, tail) == 0;
}

// Deletes every file of the table from the recorded directories, one log line each.
void DeleteInstalledFiles(const char* programDir)
{
    char webDir[RECORD_VALUE_CHARS + 8];
    std::snprintf(webDir, sizeof webDir, "%s\\web", programDir);
    char failed[64];
    LoadMessage(IDS_FAILED, failed, sizeof failed);
    for (int i = 0; i < fileCount; ++i) {
        const PayloadFile& row = fileTable[i];
        char path[REMOVE_PATH_CHARS];
        std::snprintf(path, sizeof path, "%s\\%s", row.destDir == DIR_WEB ? webDir : programDir, row.destName);
        bool ok = DeleteFileA(path) != 0;
        char line[MESSAGE_CHARS];
        LoadFormattedMessage(IDS_REMOVING_FILE, line, sizeof line, path, ok ? "ok" : failed);
        WriteLog(line);
        // The help viewer leaves its index beside the help file.
        if (EndsWithNoCase(path, ".hlp")) {
            std::memcpy(path + std::strlen(path) - 4, ".gid", 4);
            DeleteFileA(path);
        }
    }
}

// Deletes the items and, for the product's own group, the group. Program Manager's
// DeleteItem acts on the active group, so the recorded group is activated first.
void DeleteItemsAndGroup(const char* programDir)
{
    ProgmanCreateGroup(installer.groupName);
    for (int i = 0; i < fileCount; ++i) {
        const PayloadFile& row = fileTable[i];
        if (!row.makeIcon)
            continue;
        char path[REMOVE_PATH_CHARS];
        std::snprintf(path, sizeof path, "%s\\%s", programDir, row.destName);
        ProgmanDeleteItem(row.iconTitle, path);
        char line[MESSAGE_CHARS];
        LoadFormattedMessage(IDS_REMOVING_ICON, line, sizeof line, row.iconTitle);
        WriteLog(line);
    }
    ProgmanDeleteGroup(installer.groupName);
}

}  // namespace

int RemoveInstallation(HWND owner)
{
    char caption[256];
    LoadMessage(IDS_REMOVE_CAPTION, caption, sizeof caption);
    char text[MESSAGE_CHARS];

    char programDir[RECORD_VALUE_CHARS];
    if (ReadInstallValue("DIR", "", programDir) == 0) {
        LoadMessage(IDS_REMOVE_NO_INFO, text, sizeof text);
        Close(owner, caption, text);
        return 0;
    }
    LoadFormattedMessage(IDS_REMOVING_INSTALL, text, sizeof text, PRODUCT_WORD, programDir);
    WriteLog(text);

    DeleteInstalledFiles(programDir);

    bool directoryRemoved = false;
    char group[RECORD_VALUE_CHARS];
    if (ReadInstallValue("GROUP", installer.groupName, group) > 0) {
        CopyText(installer.groupName, sizeof installer.groupName, group);
        DeleteItemsAndGroup(programDir);
        directoryRemoved = RemoveDirectoryA(programDir) != 0;
        char line[RECORD_VALUE_CHARS + 32];
        std::snprintf(line, sizeof line, "Removing %s (%s)", programDir, directoryRemoved ? "ok" : "failed");
        WriteLog(line);
    }
    // An empty recorded group leaves the items, the group and the directory alone.

    DeleteInstallRecord();

    if (directoryRemoved)
        LoadMessage(IDS_REMOVE_COMPLETE, text, sizeof text);
    else
        LoadFormattedMessage(IDS_REMOVE_EXCESS, text, sizeof text, programDir);
    Close(owner, caption, text);
    return 1;
}
