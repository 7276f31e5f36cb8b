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
// copies itself into a private temporary directory, starts that copy with its
// arguments and a handle of its own process, and ends. The copy waits for it to
// end, does the work, and has itself and its directory deleted at the next restart.
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
#include "startup/runlock.h"
#include "startup/state.h"

namespace {

enum {
    WAIT_FOR_ORIGINAL_MS = 60000,  // the original only starts the copy and ends
    WININIT_MAX_BYTES = 1 << 20,  // larger is no WININIT.INI this program will edit
    PATH_CHARS = 2 * REMOVER_VALUE_CHARS + 16,
};

const char kCopyName[] = "remove.exe";
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

// The program started from the program directory: confirm, then hand over.
int StartWorkingCopy()
{
    if (!args.quiet && Box(IDS_RM_CONFIRM, MB_YESNO | MB_ICONQUESTION, args.programDir) != IDYES)
        return 0;

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
        return 1;
    }
    if (!JoinPath(copy, sizeof copy, dir, kCopyName) || !CopyFileA(self, copy, TRUE)) {
        DWORD error = GetLastError();
        RemoveDirectoryA(dir);
        ReportStartFailure(error);
        return 1;
    }

    // The copy waits on this handle for this process to end.
    HANDLE me = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &me, SYNCHRONIZE, TRUE, 0);
    char line[REMOVER_LINE_CHARS];
    BOOL started = FALSE;
    DWORD error = ERROR_BUFFER_OVERFLOW;
    if (me && ComposeWorkingCopyLine(line, sizeof line, copy, HandleToULong(me), args)) {
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
    if (!started) {
        DeleteFileA(copy);
        RemoveDirectoryA(dir);
        ReportStartFailure(error);
        return 1;
    }
    return 0;
}

// The directories of the installation, as the installation used them.
InstallDirs Dirs()
{
    return InstallDirs{args.programDir, args.dataDir, args.programDir};
}

// The first file of the product that could not be deleted; empty while none.
char keptFile[REMOVAL_PATH_CHARS];

void DeleteOne(const char* path, RemovalKind kind, void*)
{
    // The remover's own goes last (the list ends with it), and only when every
    // other went: while the record stays, the list of installed programs must
    // still find the remover it names.
    if (kind == REMOVAL_REMOVER && keptFile[0])
        return;
    if (!DeleteFileA(path) && kind != REMOVAL_COMPANION && !keptFile[0] && ProductFileStayed(path))
        CopyText(keptFile, sizeof keptFile, path);
}

// The same files as the Installer's own removal deletes. Directories so long that
// a path would be cut delete nothing, and keep the record: the box names the
// program directory.
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

// This copy and its private directory go at the next restart.
void ScheduleOwnDeletion()
{
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    if (n == 0 || n >= sizeof self)
        return;
    if (IsWindows9x()) {
        ScheduleDeletionThroughWininit(self);
        return;
    }
    MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    // The copy's own name is ASCII: the last 0x5C byte is its separator.
    char* slash = std::strrchr(self, '\\');
    if (slash) {
        *slash = '\0';
        MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
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

// The working copy: wait for the original, then remove.
int RunRemoval()
{
    HANDLE original = ULongToHandle(args.waitHandle);
    WaitForSingleObject(original, WAIT_FOR_ORIGINAL_MS);
    CloseHandle(original);

    // Not while the Installer, or another remover, is at work on the same files.
    if (!AcquireRunLock()) {
        if (!args.quiet)
            Box(IDS_RM_BUSY, MB_OK | MB_ICONERROR, "");
        ScheduleOwnDeletion();
        return 1;
    }
    RemoveEndedWorkingCopies();
    DeleteInstalledFiles();
    DeleteItemsAndGroup();
    const bool removed = RemoveProgramDirectory(args.programDir);
    // While a file of the product's stays (in use, say), so does the record: the
    // list of installed programs, or setup.exe -r, can finish the removal later.
    if (!keptFile[0]) {
        DeleteInstallRecord();
        DeleteUninstallKey();
    }
    ScheduleOwnDeletion();
    ReleaseRunLock();  // the closing box holds up no other run

    if (!args.quiet) {
        if (keptFile[0])
            Box(IDS_RM_FILE_KEPT, MB_OK | MB_ICONWARNING, keptFile);
        else
            Box(removed ? IDS_RM_DONE : IDS_RM_LEFTOVER, MB_OK | MB_ICONINFORMATION, args.programDir);
    }
    return (removed && !keptFile[0]) ? 0 : 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    installer.instance = instance;  // the messages come from this program's own strings
    LoadLeadBytes();
    if (!ParseRemoverCommandLine(GetCommandLineA(), &args)) {
        if (!args.quiet)
            Box(IDS_RM_USAGE, MB_OK | MB_ICONERROR, "");
        return 2;
    }
    return args.waitHandle ? RunRemoval() : StartWorkingCopy();
}
