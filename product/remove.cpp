// remove.exe: removes an installation of Marvane Plus. The system's list of
// installed programs starts it with the command line the Installer recorded:
//     <program dir>\remove.exe -f <program dir> -d <data dir> -g <group>
// It deletes the installed files (and the help viewer's index), the Start Menu
// items and, when it bears the product's name, the group, the program directory
// when it is empty, the WIN.INI section and the uninstall key.
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

void DeleteOne(const char* path, bool, void*)
{
    DeleteFileA(path);
}

// The same files as the Installer's own removal deletes, in the same order.
void DeleteInstalledFiles()
{
    ForEachRemovalPath(args.programDir, DeleteOne, nullptr);
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

// DeleteItem acts on the active group, so the group is activated first.
void DeleteItemsAndGroup()
{
    if (!args.group[0] || !GroupListed(args.group) || !ProgmanCreateGroup(args.group))
        return;
    for (int i = 0; i < fileCount; ++i) {
        const PayloadFile& row = fileTable[i];
        if (!row.makeIcon)
            continue;
        char path[PATH_CHARS];
        if (JoinPath(path, sizeof path, InstalledDirectory(row.destDir, args.programDir, args.dataDir), row.destName))
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
    char ini[MAX_PATH];
    UINT w = GetWindowsDirectoryA(ini, sizeof ini);
    if (n == 0 || n >= sizeof shortPath || w == 0 || !JoinPath(ini, sizeof ini, ini, "WININIT.INI"))
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
    char* slash = std::strrchr(self, '\\');
    if (slash) {
        *slash = '\0';
        MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
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
    DeleteInstalledFiles();
    DeleteItemsAndGroup();
    const bool removed = RemoveProgramDirectory(args.programDir);
    DeleteInstallRecord();
    DeleteUninstallKey();
    ScheduleOwnDeletion();
    ReleaseRunLock();  // the closing box holds up no other run

    if (!args.quiet)
        Box(removed ? IDS_RM_DONE : IDS_RM_LEFTOVER, MB_OK | MB_ICONINFORMATION, args.programDir);
    return removed ? 0 : 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    installer.instance = instance;  // the messages come from this program's own strings
    if (!ParseRemoverCommandLine(GetCommandLineA(), &args)) {
        if (!args.quiet)
            Box(IDS_RM_USAGE, MB_OK | MB_ICONERROR, "");
        return 2;
    }
    return args.waitHandle ? RunRemoval() : StartWorkingCopy();
}
