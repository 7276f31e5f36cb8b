// remove.exe: removes an installation of Marvane Plus. The system's list of
// installed programs starts it with the command line the Installer recorded:
//     <program dir>\remove.exe -f <program dir> -d <data dir> -g <group>
// It deletes the installed files (and the help viewer's index), the Start Menu
// items and, when it bears the product's name, the group, the program directory
// when it is empty, and, once every installed file is gone, the WIN.INI section
// and the uninstall key.
//
// A running program cannot delete its own file, and this one lives in the very
// directory it removes. So the program started from there only asks (unless quiet),
// copies itself into a private temporary directory and starts that copy with its
// arguments, a handle of its own process and the writing end of a pipe. The copy
// removes every other file, writes its exit code into the pipe, waits for the
// original to end, then deletes the original's file and has itself and its
// directory deleted at the next restart. The original ends with the code it read:
// a deployment tool or script that waits for the uninstall command gets the outcome.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "install/dirsecurity.h"
#include "install/messages.h"
#include "payload/filetable.h"
#include "payload/paths.h"
#include "payload/privatedir.h"
#include "payload/removalpaths.h"
#include "payload/remove.h"
#include "product/removeres.h"
#include "product/removetext.h"
#include "shell/progman.h"
#include "shell/record.h"
#include "startup/exitcodes.h"
#include "startup/runlock.h"
#include "startup/state.h"

namespace {

enum {
    WAIT_FOR_ORIGINAL_MS = 60000,  // the original ends once it has read the outcome
    // A program's file may stay locked for a moment after its process has ended.
    SELF_DELETE_TRIES = 20,
    SELF_DELETE_PAUSE_MS = 100,
    WININIT_MAX_BYTES = 1 << 20,  // larger is no WININIT.INI this program will edit
    PATH_CHARS = 2 * REMOVER_VALUE_CHARS + 16,
};

const char kCopyName[] = REMOVER_FILE_NAME;
// Names of the working folders: the prefix and eight hex digits.
const char kWorkingPrefix[] = "MVR";

RemoverArgs args;

int Box(unsigned id, UINT type, const char* insert)
{
    char caption[SHORT_MESSAGE_CHARS];
    char text[MESSAGE_CHARS];
    LoadMessage(IDS_RM_CAPTION, caption, sizeof caption);
    LoadFormattedMessage(id, text, sizeof text, insert);
    // No window of its own: the box must come to the front by itself.
    return MessageBoxA(nullptr, text, caption, type | MB_SETFOREGROUND);
}

void ReportStartFailure(DWORD error)
{
    if (args.quiet)
        return;
    char caption[SHORT_MESSAGE_CHARS];
    char text[MESSAGE_CHARS];
    LoadMessage(IDS_RM_CAPTION, caption, sizeof caption);
    LoadFormattedMessage(IDS_RM_START_FAILED, text, sizeof text, static_cast<unsigned>(error));
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// Reads the working copy's exit code from the pipe: EXIT_FAILED when the copy
// ended without writing it (killed, or crashed).
int ReadOutcome(HANDLE pipe)
{
    int code = 0;
    DWORD got = 0;
    if (!ReadFile(pipe, &code, sizeof code, &got, nullptr) || got != sizeof code)
        code = EXIT_FAILED;
    return code;
}

// The program started from the program directory: confirm, hand over, and end
// with the outcome of the removal.
int StartWorkingCopy()
{
    if (!args.quiet && Box(IDS_RM_CONFIRM, MB_YESNO | MB_ICONQUESTION, args.programDir) != IDYES)
        return EXIT_CANCELLED;

    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    char dir[MAX_PATH];
    char copy[MAX_PATH];
    // The copy runs elevated from this folder: on Windows NT nobody but the user,
    // the Administrators and SYSTEM may write into it.
    DirectorySecurity security;
    SECURITY_ATTRIBUTES* attributes = BuildOwnerOnlySecurity(&security);
    bool made = n > 0 && n < sizeof self && (attributes || IsWindows9x()) &&
                MakePrivateDirectory(kWorkingPrefix, attributes, dir, sizeof dir);
    DWORD madeError = GetLastError();
    if (!made) {
        ReportStartFailure(madeError);
        return EXIT_FAILED;
    }
    if (!JoinPath(copy, sizeof copy, dir, kCopyName) || !CopyFileA(self, copy, TRUE)) {
        DWORD error = GetLastError();
        RemoveDirectoryA(dir);
        ReportStartFailure(error);
        return EXIT_FAILED;
    }

    // The copy waits on this handle for this process to end, and writes its exit
    // code into the pipe. This process closes its writing end once the copy has
    // started: the read then ends with the code, or fails when the copy ended
    // without one. (The copy inherits the reading end too, which changes nothing.)
    HANDLE me = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &me, SYNCHRONIZE, TRUE, 0);
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE reading = nullptr, writing = nullptr;
    CreatePipe(&reading, &writing, &inherited, 0);
    char line[REMOVER_LINE_CHARS];
    BOOL started = FALSE;
    DWORD error = ERROR_BUFFER_OVERFLOW;
    if (me && writing &&
        ComposeWorkingCopyLine(line, sizeof line, copy, HandleToULong(me), HandleToULong(writing), args)) {
        STARTUPINFOA si;
        std::memset(&si, 0, sizeof si);
        si.cb = sizeof si;
        PROCESS_INFORMATION pi;
        // Started in its own directory: a current directory inside the program
        // directory would keep that from being removed.
        started = CreateProcessA(copy, line, nullptr, nullptr, TRUE, 0, nullptr, dir, &si, &pi);
        error = GetLastError();
        if (started) {
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
    }
    if (me)
        CloseHandle(me);
    if (writing)
        CloseHandle(writing);
    int code = EXIT_FAILED;
    if (started)
        code = ReadOutcome(reading);
    if (reading)
        CloseHandle(reading);
    if (!started) {
        DeleteFileA(copy);
        RemoveDirectoryA(dir);
        ReportStartFailure(error);
    }
    return code;
}

// The directories of the installation, as the installation used them.
InstallDirs Dirs()
{
    return InstallDirs{args.programDir, args.dataDir, args.programDir};
}

// The first file of the product that could not be deleted; empty while none.
char keptFile[REMOVAL_PATH_CHARS];
// This program's own installed file, deleted after all the others.
char installedSelf[REMOVAL_PATH_CHARS];

void DeleteOne(const char* path, RemovalKind kind, void*)
{
    // The remover's own comes last (the list ends with it); the original runs from
    // it until it has read the outcome, so it is only noted here.
    if (kind == REMOVAL_REMOVER) {
        CopyText(installedSelf, sizeof installedSelf, path);
        return;
    }
    if (!DeleteFileA(path) && kind != REMOVAL_COMPANION && !keptFile[0] && ProductFileStayed(path))
        CopyText(keptFile, sizeof keptFile, path);
}

// The same files as the Installer's own removal deletes, but for the remover's
// own. Directories so long that a path would be cut delete nothing, and keep the
// record: the box names the program directory.
void DeleteInstalledFiles()
{
    if (!ForEachRemovalPath(Dirs(), DeleteOne, nullptr))
        CopyText(keptFile, sizeof keptFile, args.programDir);
}

// Whether Program Manager lists the group; true when the list cannot be had.
// Activating a group that is gone would create it anew, empty.
bool GroupListed(const char* group)
{
    HWND list = CreateWindowExA(0, "COMBOBOX", "", WS_POPUP | CBS_DROPDOWNLIST, 0, 0, 10, 10, nullptr, nullptr,
                                installer.instance, nullptr);
    if (!list)
        return true;
    bool listed = true;
    if (ProgmanListGroups(list))
        listed = SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(group)) !=
                 CB_ERR;
    DestroyWindow(list);
    return listed;
}

// DeleteItem acts on the active group, so the group is activated first. An
// empty group is the default group, as for the installation.
void DeleteItemsAndGroup()
{
    if (!args.group[0])
        CopyText(args.group, sizeof args.group, PRODUCT_WORD);
    if (!GroupListed(args.group) || !ProgmanCreateGroup(args.group))
        return;
    for (int i = 0; i < fileCount; ++i) {
        const PayloadFile& row = fileTable[i];
        if (!row.makeIcon)
            continue;
        char path[PATH_CHARS];
        if (InstalledPath(path, sizeof path, row, Dirs()))
            ProgmanDeleteItem(row.iconTitle, path);
    }
    ProgmanDeleteGroup(args.group);  // only the product's own group goes; closes the client
}

// Windows 95, 98 and Me do not implement delayed deletion: their WININIT.INI
// names the files to delete at the next start (not directories: the empty folder
// stays there).
void ScheduleDeletionThroughWininit(const char* path)
{
    char shortPath[MAX_PATH];
    DWORD n = GetShortPathNameA(path, shortPath, sizeof shortPath);
    char windows[MAX_PATH];
    UINT w = GetWindowsDirectoryA(windows, sizeof windows);
    char ini[MAX_PATH];
    if (n == 0 || n >= sizeof shortPath || w == 0 || w >= sizeof windows ||
        !JoinPath(ini, sizeof ini, windows, "WININIT.INI"))
        return;
    HANDLE file = CreateFileA(ini, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD size = GetFileSize(file, nullptr);
    HANDLE heap = GetProcessHeap();
    const DWORD cap = size + n + 32;
    char* text = size < WININIT_MAX_BYTES ? static_cast<char*>(HeapAlloc(heap, 0, size + 1)) : nullptr;
    char* edited = text ? static_cast<char*>(HeapAlloc(heap, 0, cap)) : nullptr;
    DWORD got = 0;
    if (edited && ReadFile(file, text, size, &got, nullptr) && got == size) {
        size_t length = AddWininitDeletion(edited, cap, text, size, shortPath);
        DWORD written = 0;
        if (length && SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0)
            WriteFile(file, edited, static_cast<DWORD>(length), &written, nullptr);
    }
    if (edited)
        HeapFree(heap, 0, edited);
    if (text)
        HeapFree(heap, 0, text);
    CloseHandle(file);
}

// A file goes at the next restart, and on Windows NT its directory too (once empty).
void ScheduleDeletion(char* path)
{
    if (IsWindows9x()) {
        ScheduleDeletionThroughWininit(path);
        return;
    }
    MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    // The file's own name is "remove.exe", ASCII: the last 0x5C byte is its separator.
    char* slash = std::strrchr(path, '\\');
    if (slash) {
        *slash = '\0';
        MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
}

// This copy and its private directory go at the next restart.
void ScheduleOwnDeletion()
{
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    if (n == 0 || n >= sizeof self)
        return;
    ScheduleDeletion(self);
}

// The remover's own installed file, once the original has ended: the last file of
// the product. The system may hold a program's file a moment after its end, so the
// deletion is tried for a while; should it still stay (another program holds it),
// it goes at the next restart, as this copy does: the record is gone already, and
// nothing would run it again.
void DeleteInstalledSelf()
{
    if (!installedSelf[0])
        return;
    for (int i = 0; i < SELF_DELETE_TRIES; ++i) {
        if (DeleteFileA(installedSelf) || !ProductFileStayed(installedSelf))
            return;
        Sleep(SELF_DELETE_PAUSE_MS);
    }
    ScheduleDeletion(installedSelf);
}

// A working folder of an earlier copy whose run was killed before it could have
// itself deleted: its remove.exe goes, then the folder if that left it empty.
// This copy's own folder stays as it is.
void RemoveEndedCopy(char* dir, const char* name, void* own)
{
    if (lstrcmpiA(name, static_cast<const char*>(own)) == 0)
        return;
    char path[MAX_PATH + 32];
    if (JoinPath(path, sizeof path, dir, kCopyName))
        DeleteFileA(path);
    dir[std::strlen(dir) - 1] = '\0';
    RemoveDirectoryA(dir);
}

void RemoveEndedWorkingCopies()
{
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    if (n == 0 || n >= sizeof self)
        return;
    // "...\MVR12345678\remove.exe": both names are ASCII, so the last two 0x5C
    // bytes are backslashes.
    char* slash = std::strrchr(self, '\\');
    if (!slash)
        return;
    *slash = '\0';
    slash = std::strrchr(self, '\\');
    ForEachPrivateDirectory(kWorkingPrefix, RemoveEndedCopy, slash ? slash + 1 : self);
}

// Hands the exit code to the original, which ends with it.
void ReportOutcome(int code)
{
    HANDLE pipe = ULongToHandle(args.outcomeHandle);
    if (!pipe)
        return;
    DWORD written = 0;
    WriteFile(pipe, &code, sizeof code, &written, nullptr);
    CloseHandle(pipe);
}

// The working copy: remove, report the outcome to the original, and once it has
// ended delete its file.
int RunRemoval()
{
    // Not while the Installer, or another remover, is at work on the same files.
    if (!AcquireRunLock()) {
        ReportOutcome(EXIT_BUSY);
        if (!args.quiet)
            Box(IDS_RM_BUSY, MB_OK | MB_ICONERROR, "");
        ScheduleOwnDeletion();
        return EXIT_BUSY;
    }
    RemoveEndedWorkingCopies();
    DeleteInstalledFiles();
    DeleteItemsAndGroup();
    // While a file of the product's stays (in use, say), so do the record and the
    // remover's own file: the list of installed programs, or setup.exe -r, can
    // finish the removal later. Otherwise the record goes before the outcome is
    // told, so that the success the original reports is true whatever happens to
    // its own file afterwards.
    const int code = keptFile[0] ? EXIT_FILE_IN_USE : EXIT_OK;
    if (code == EXIT_OK) {
        DeleteInstallRecord();
        DeleteUninstallKey();
    }
    ReportOutcome(code);
    HANDLE original = ULongToHandle(args.waitHandle);
    WaitForSingleObject(original, WAIT_FOR_ORIGINAL_MS);
    CloseHandle(original);
    if (code == EXIT_OK)
        DeleteInstalledSelf();
    // Files of the user's own keep the directory; the product is removed all the same.
    const bool removed = RemoveProgramDirectory(args.programDir);
    ScheduleOwnDeletion();
    ReleaseRunLock();  // the closing box holds up no other run

    if (!args.quiet) {
        if (keptFile[0])
            Box(IDS_RM_FILE_KEPT, MB_OK | MB_ICONWARNING, keptFile);
        else
            Box(removed ? IDS_RM_DONE : IDS_RM_LEFTOVER, MB_OK | MB_ICONINFORMATION, args.programDir);
    }
    return code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    installer.instance = instance;  // the messages come from this program's own strings
    LoadLeadBytes();
    if (!ParseRemoverCommandLine(GetCommandLineA(), &args)) {
        if (!args.quiet)
            Box(IDS_RM_USAGE, MB_OK | MB_ICONERROR, "");
        return EXIT_BAD_COMMAND_LINE;
    }
    return args.waitHandle ? RunRemoval() : StartWorkingCopy();
}
