#include "payload/remove.h"

#include <cstdio>
#include <cstring>

#include "install/messages.h"
#include "payload/filetable.h"
#include "payload/removalpaths.h"
#include "resources/resource.h"
#include "shell/progman.h"
#include "shell/record.h"
#include "startup/exitcodes.h"
#include "startup/state.h"

namespace {

enum { REMOVE_PATH_CHARS = RECORD_VALUE_CHARS + 8 + NAME_CHARS };

// The closing message: always logged, shown unless quiet.
void Close(HWND owner, const char* caption, const char* text, UINT icon = MB_ICONINFORMATION)
{
    WriteLog(text);
    if (!installer.quietMode)
        MessageBoxA(owner, text, caption, MB_OK | icon);
}

struct FileDeletion {
    char failed[64];
    bool kept;
};

void DeleteOne(const char* path, RemovalKind kind, void* context)
{
    FileDeletion* deletion = static_cast<FileDeletion*>(context);
    // While a file stays, so does the record, and the remover it names with it.
    if (kind == REMOVAL_REMOVER && deletion->kept)
        return;
    bool ok = DeleteFileA(path) != 0;
    if (kind == REMOVAL_COMPANION)
        return;
    if (!ok && ProductFileStayed(path))
        deletion->kept = true;
    char line[MESSAGE_CHARS];
    LoadFormattedMessage(IDS_REMOVING_FILE, line, sizeof line, path, ok ? "ok" : deletion->failed);
    WriteLog(line);
}

// Deletes every file of the table from the recorded directories, one log line
// each. True when one of them stayed.
bool DeleteInstalledFiles(const InstallDirs& dirs)
{
    FileDeletion deletion;
    LoadMessage(IDS_FAILED, deletion.failed, sizeof deletion.failed);
    deletion.kept = false;
    ForEachRemovalPath(dirs, DeleteOne, &deletion);
    return deletion.kept;
}

// Reads a recorded directory whole: one that fills the buffer may have been cut,
// and a cut one would name some other directory. The refusal is shown (unless
// quiet) and logged; nothing is deleted and the record stays.
bool ReadRecordedDir(HWND owner, const char* caption, const char* key, const char* defaultText, char* dir)
{
    if (ReadInstallValue(key, defaultText, dir) < RECORD_VALUE_CHARS - 1)
        return true;
    char text[MESSAGE_CHARS];
    LoadFormattedMessage(IDS_RECORD_TOO_LONG, text, sizeof text, key);
    Close(owner, caption, text, MB_ICONERROR);
    return false;
}

// Deletes the items and, for the product's own group, the group. Program Manager's
// DeleteItem acts on the active group, so the recorded group is activated first.
void DeleteItemsAndGroup(const InstallDirs& dirs)
{
    ProgmanCreateGroup(installer.groupName);
    for (int i = 0; i < fileCount; ++i) {
        const PayloadFile& row = fileTable[i];
        if (!row.makeIcon)
            continue;
        char path[REMOVE_PATH_CHARS];
        if (InstalledPath(path, sizeof path, row, dirs))
            ProgmanDeleteItem(row.iconTitle, path);
        char line[MESSAGE_CHARS];
        LoadFormattedMessage(IDS_REMOVING_ICON, line, sizeof line, row.iconTitle);
        WriteLog(line);
    }
    ProgmanDeleteGroup(installer.groupName);
}

}  // namespace

bool ProductFileStayed(const char* path)
{
    // Missing already is as gone as deleted.
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

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
    if (!ReadRecordedDir(owner, caption, "DIR", "", programDir))
        return EXIT_FAILED;
    if (!programDir[0]) {
        LoadMessage(IDS_REMOVE_NO_INFO, text, sizeof text);
        Close(owner, caption, text);
        return EXIT_NOTHING_TO_REMOVE;
    }
    LoadFormattedMessage(IDS_REMOVING_INSTALL, text, sizeof text, PRODUCT_WORD, programDir);
    WriteLog(text);

    // The files are looked for where the installation put them.
    char dataDir[RECORD_VALUE_CHARS];
    if (!ReadRecordedDir(owner, caption, "DEFDIR", programDir, dataDir))
        return EXIT_FAILED;
    if (!dataDir[0])
        CopyText(dataDir, sizeof dataDir, programDir);
    const InstallDirs dirs = {programDir, dataDir, programDir};
    const bool kept = DeleteInstalledFiles(dirs);

    // An empty recorded group is the default group, as for the installation.
    char group[RECORD_VALUE_CHARS];
    if (ReadInstallValue("GROUP", installer.groupName, group) > 0)
        CopyText(installer.groupName, sizeof installer.groupName, group);
    DeleteItemsAndGroup(dirs);
    const bool directoryRemoved = RemoveProgramDirectory(programDir);
    char line[RECORD_VALUE_CHARS + 32];
    std::snprintf(line, sizeof line, "Removing %s (%s)", programDir, directoryRemoved ? "ok" : "failed");
    WriteLog(line);

    // While a file of the product's stays (in use, say), the record stays too, so
    // that a later removal can finish; its log line said which.
    if (!kept) {
        DeleteInstallRecord();
        DeleteUninstallKey();
    }

    if (directoryRemoved && !kept)
        LoadMessage(IDS_REMOVE_COMPLETE, text, sizeof text);
    else
        LoadFormattedMessage(IDS_REMOVE_EXCESS, text, sizeof text, programDir);
    Close(owner, caption, text);
    return kept ? EXIT_FILE_IN_USE : EXIT_OK;
}
