#include "install/sequence.h"

#include <cstdio>
#include <cstring>

#include "install/choice.h"
#include "install/messages.h"
#include "install/progdir.h"
#include "install/prompts.h"
#include "payload/copy.h"
#include "payload/extract.h"
#include "payload/filetable.h"
#include "payload/paths.h"
#include "payload/remove.h"
#include "resources/resource.h"
#include "shell/progman.h"
#include "shell/record.h"
#include "startup/exitcodes.h"
#include "startup/state.h"

namespace {

// The data directory prompt is a fixed text, not a string-table entry.
const char kDataDirPrompt[] = "Please enter your preferred local data directory:";

// Working values of one run.
struct Run {
    HWND window;
    char caption[MESSAGE_CHARS];
    char tempDir[PROMPT_CHARS];
    char programDir[PROMPT_CHARS];
    char dataDir[PROMPT_CHARS];
    char webDir[PROMPT_CHARS];
};

// A box of this run: owned by the main window, skipped in quiet mode.
void ShowBox(const Run& run, const char* text, const char* caption, UINT style)
{
    if (!installer.quietMode)
        MessageBoxA(run.window, text, caption, style);
}

// Loads message `id`, logs it and shows it; returns EXIT_FAILED so that a failing
// step can end the run.
int Fail(const Run& run, unsigned id, const char* caption, UINT style)
{
    char text[MESSAGE_CHARS];
    LoadMessage(id, text, sizeof text);
    WriteLog(text);
    ShowBox(run, text, caption, style);
    return EXIT_FAILED;
}

// The 10026 text, a line break and the directory, as one log line.
void DirectoryFailureText(const char* dir, char* out, size_t cap)
{
    char text[MESSAGE_CHARS];
    LoadMessage(IDS_DIR_FAILED_SEQUENCE, text, sizeof text);
    std::snprintf(out, cap, "%s\r\n%s", text, dir);
}

// A recorded directory replaces `value` only when it exists and is not empty. It
// is read whole (up to PROMPT_CHARS): one cut at the record's usual 255
// characters would be some other directory.
void TakeRecordedDirectory(const char* key, char* value)
{
    char stored[PROMPT_CHARS];
    if (ReadInstallText(key, value, stored, sizeof stored) > 0)
        CopyText(value, PROMPT_CHARS, stored);
}

void TakeRecorded(const char* key, char* value, size_t cap)
{
    char stored[RECORD_VALUE_CHARS];
    if (ReadInstallValue(key, value, stored) > 0)
        CopyText(value, cap, stored);
}

// GetVersion: the high bit is set on Win32s and on Windows 95, 98 and Me, clear on
// Windows NT; the low byte is the major version (3 on Win32s).
const char* PlatformDefaultDir()
{
    DWORD version = GetVersion();
    if (LOBYTE(version) >= 4)
        return installer.defaultDirWin4;
    if (!(version & 0x80000000u))
        return installer.defaultDirNT3;
    return installer.defaultDirOther;
}

// EXIT_OK when the program directory exists; the prompt cancelled or the
// directory refused end the run with their codes.
int TakeProgramDir(Run& run)
{
    PumpMessages();
    TakeRecordedDirectory("DIR", run.programDir);
    if (!installer.quietMode) {
        if (!AskProgramDir(installer.instance, run.window, run.programDir)) {
            Fail(run, IDS_NO_DEST_DIR, run.caption, MB_ICONERROR);
            return EXIT_CANCELLED;
        }
    }
    // The prompt has made it already; quietly, this is where it is made. Either way
    // a relative directory becomes a full one before it is used or recorded.
    if (!CreateProgramDirectory(run.programDir)) {
        // CreateDirectoryPath has shown its own box.
        char line[MESSAGE_CHARS + PROMPT_CHARS];
        DirectoryFailureText(run.programDir, line, sizeof line);
        WriteLog(line);
        return EXIT_FAILED;
    }
    DropTrailingBackslash(run.programDir);
    PumpMessages();
    return EXIT_OK;
}

__attribute__((noinline)) int TakeDataDir(Run& run)
{
    if (!(installer.installOptions & 1)) {
        CopyText(run.dataDir, sizeof run.dataDir, run.programDir);
        return 1;
    }
    const char* setting = installer.dataDirSetting;
    bool useSetting = std::strlen(setting) > 2 && lstrcmpiA(setting, "program") != 0 && lstrcmpiA(setting, "none") != 0;
    CopyText(run.dataDir, sizeof run.dataDir, useSetting ? setting : run.programDir);
    TakeRecordedDirectory("DEFDIR", run.dataDir);

    char line[MESSAGE_CHARS + PROMPT_CHARS];
    if (!installer.quietMode) {
        LoadMessage(IDS_DATA_DIR_CAPTION, dirDialogCaption, sizeof dirDialogCaption);
        CopyText(browseFileName, sizeof browseFileName, "b");
        // Cancel keeps the value from before the prompt: a data directory is not essential.
        while (AskDirectory(run.window, installer.instance, kDataDirPrompt, run.programDir, run.dataDir)) {
            if (CreateInstallDirectory(run.dataDir))
                break;
            DirectoryFailureText(run.dataDir, line, sizeof line);
            WriteLog(line);
            ShowBox(run, line, run.caption, MB_ICONERROR);
        }
        // A cancelled prompt leaves the value from before it, uncreated: full all the
        // same, or the program directory when it cannot be.
        if (!MakeFullDirectory(run.dataDir))
            CopyText(run.dataDir, sizeof run.dataDir, run.programDir);
    } else if (!CreateInstallDirectory(run.dataDir)) {
        DirectoryFailureText(run.dataDir, line, sizeof line);
        WriteLog(line);
        return 0;
    }
    DropTrailingBackslash(run.dataDir);
    PumpMessages();
    return 1;
}

// The group and its items; 0 when the user cancelled the group prompt. (Out of
// line, like TakeDataDir: inlined, their buffers would take Install's frame over
// a page, see cmake/release.cmake.)
__attribute__((noinline)) int MakeGroupAndItems(Run& run)
{
    TakeRecorded("GROUP", installer.groupName, sizeof installer.groupName);
    if (!installer.quietMode && !AskGroupName(run.window, installer.instance))
        return 0;
    if (installer.groupName[0] == '\0')
        CopyText(installer.groupName, sizeof installer.groupName, PRODUCT_WORD);
    char text[MESSAGE_CHARS];
    LoadMessage(IDS_CREATING_GROUP, text, sizeof text);
    WriteLog(text);
    if (ProgmanCreateGroup(installer.groupName)) {
        const InstallDirs dirs = {run.programDir, run.dataDir, run.webDir};
        for (int i = 0; i < fileCount; ++i) {
            const PayloadFile& row = fileTable[i];
            if (!(row.status & STATUS_COPIED) || !row.makeIcon)
                continue;
            char path[PROMPT_CHARS + NAME_CHARS];
            if (!InstalledPath(path, sizeof path, row, dirs) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
                continue;
            char line[sizeof path + 32];
            std::snprintf(line, sizeof line, "creating icon for %s", path);
            WriteLog(line);
            ProgmanReplaceItem(row.iconTitle, run.dataDir, row.destName, path);
        }
    }
    PumpMessages();
    ProgmanClose();
    return 1;
}

int Install(Run& run)
{
    // Asked once, before extracting: with a temporary directory this long no
    // payload path would fit, and the copy could only ask for disks.
    if (TempDirTooLong())
        return Fail(run, IDS_TEMP_TOO_LONG, "", MB_OK);
    if (ExtractAll(installer.instance, run.window) == 0)
        return Fail(run, IDS_EXTRACT_FAILED, "", MB_OK);

    // The run's private temporary directory is the source medium.
    CopyText(run.tempDir, sizeof run.tempDir, PayloadTempDir());
    if (!EndsInBackslash(run.tempDir)) {
        size_t n = std::strlen(run.tempDir);
        CopyText(run.tempDir + n, sizeof run.tempDir - n, "\\");
    }
    PumpMessages();

    CopyText(run.programDir, sizeof run.programDir, PlatformDefaultDir());

    // A damaged first container is no source to look for elsewhere: its copy says
    // that the installer is damaged, and fails the installation.
    if (!(fileTable[0].status & STATUS_DAMAGED) &&
        !LocateSource(installer.instance, run.window, run.tempDir, fileTable[0].sourceName))
        return Fail(run, IDS_NO_SOURCE, fileTable[0].sourceName, MB_ICONERROR);

    if (int code = TakeProgramDir(run))
        return code;
    if (!TakeDataDir(run))
        return EXIT_FAILED;

    PumpMessages();
    CopyText(run.webDir, sizeof run.webDir, run.programDir);

    int result = CopyFiles(installer.instance, run.window, run.tempDir, run.programDir, run.dataDir, run.webDir);
    PumpMessages();
    // The progress dialog's Cancel and the group prompt's are the user's; a file
    // given up on is a failure.
    int code = installer.copyCancelled ? EXIT_CANCELLED : EXIT_FAILED;
    if (result) {
        result = MakeGroupAndItems(run);
        code = EXIT_CANCELLED;
    }

    PumpMessages();
    if (!result) {
        Fail(run, IDS_INSTALL_FAILED, run.caption, MB_ICONERROR);
        return code;
    }

    // The files stay, but an installation that WIN.INI does not hold cannot be
    // offered for removal or proposed again: that is no success.
    if (!WriteInstallRecord(run.programDir, run.dataDir, installer.groupName))
        return Fail(run, IDS_RECORD_FAILED, run.caption, MB_ICONERROR);
    char text[MESSAGE_CHARS], caption[MESSAGE_CHARS];
    LoadMessage(IDS_INSTALL_SUCCESS, text, sizeof text);
    WriteLog(text);
    LoadMessage(IDS_CONGRATULATIONS, caption, sizeof caption);
    ShowBox(run, text, caption, MB_OK);
    return EXIT_OK;
}

}  // namespace

int RunInstallSequence(HWND mainWindow)
{
    static Run run;  // large buffers: keep them off the stack of the window procedure
    std::memset(&run, 0, sizeof run);
    run.window = mainWindow;
    CopyText(run.caption, sizeof run.caption, installer.installTitle);
    SetWindowTextA(mainWindow, run.caption);

    switch (ChooseInstallMode(mainWindow, installer.instance)) {
    case MODE_EXIT:
        return EXIT_CANCELLED;
    case MODE_REMOVE:
        return RemoveInstallation(mainWindow);
    default:
        return Install(run);
    }
}
