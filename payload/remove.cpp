#include "payload/remove.h"

#include <cstdio>
#include <cstring>

#include "install/messages.h"
#include "payload/filetable.h"
#include "payload/removalpaths.h"
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

struct FileDeletion {
    char failed[64];
};

void DeleteOne(const char* path, bool companion, void* context)
{
    bool ok = DeleteFileA(path) != 0;
    if (companion)
        return;
    char line[MESSAGE_CHARS];
    LoadFormattedMessage(IDS_REMOVING_FILE, line, sizeof line, path,
                         ok ? "ok" : static_cast<FileDeletion*>(context)->failed);
    WriteLog(line);
}

// Deletes every file of the table from the recorded directories, one log line each.
void DeleteInstalledFiles(const char* programDir)
{
    FileDeletion deletion;
    LoadMessage(IDS_FAILED, deletion.failed, sizeof deletion.failed);
    ForEachRemovalPath(programDir, DeleteOne, &deletion);
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

bool RemoveProgramDirectory(const char* programDir)
{
    // A directory the user deleted already is as gone as one removed here.
    return RemoveDirectoryA(programDir) || GetFileAttributesA(programDir) == INVALID_FILE_ATTRIBUTES;
}

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
        directoryRemoved = RemoveProgramDirectory(programDir);
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
