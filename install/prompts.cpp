#include "install/prompts.h"

#include <commdlg.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "install/progdir.h"
#include "install/messages.h"
#include "payload/filetable.h"
#include "payload/paths.h"
#include "resources/resource.h"
#include "runtime/dllsearch.h"
#include "startup/state.h"
#include "startup/window.h"

char dirPrompt[PROMPT_CHARS];
char dirText[PROMPT_CHARS];
char browseResult[BROWSE_CHARS];
char dirDialogCaption[256];
char browseFileName[256];

// The record as far as the template name: the size the old-style dialog knows (76 on 32-bit).
constexpr DWORD kOpenFileNameSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
#ifndef _WIN64
static_assert(kOpenFileNameSize == 76, "the picker's record is 76 bytes on the 32-bit platform");
#endif

namespace {

// A literal, not an array: it shares its bytes with the file table's source name.
#define SOURCE_FILE_NAME "marvane.exe"

bool PathExists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Appends "\" to a non-empty directory that lacks one; returns the new length.
size_t AppendSeparator(char* dir, size_t cap)
{
    size_t length = std::strlen(dir);
    if (length > 0 && !EndsInBackslash(dir) && length + 1 < cap) {
        dir[length++] = '\\';
        dir[length] = '\0';
    }
    return length;
}

}  // namespace

void ReportCreateFailure(const char* path, DWORD error, unsigned id)
{
    char text[MESSAGE_CHARS];
    char caption[NAME_CHARS];
    LoadFormattedMessage(id, text, sizeof text, path, static_cast<unsigned>(error));
    LoadMessage(IDS_INSTALL_CAPTION, caption, sizeof caption);
    // The creation box goes to no log (the caller's line follows); a refusal says why there too.
    if (id != IDS_CREATE_FAILED)
        WriteLog(text);
    // No owner and no look at quiet mode: a directory that cannot be made is always reported.
    MessageBoxA(nullptr, text, caption, MB_ICONERROR);
}

namespace {

INT_PTR OnGetDirInit(HWND dialog)
{
    CenterOnDesktop(dialog);
    SetDlgItemTextA(dialog, IDC_DIR_PROMPT, dirPrompt);
    SetDlgItemTextA(dialog, IDC_DIR_EDIT, dirText);
    if (dirDialogCaption[0])
        SetWindowTextA(dialog, dirDialogCaption);
    return 1;
}

INT_PTR OnGetDirBrowse(HWND dialog)
{
    dirText[0] = '\0';
    GetDlgItemTextA(dialog, IDC_DIR_EDIT, dirText, sizeof dirText);
    if (BrowseForDirectory(dialog, browseFileName, dirText, browseResult))
        SetDlgItemTextA(dialog, IDC_DIR_EDIT, browseResult);
    return 0;
}

INT_PTR OnGetDirCommand(HWND dialog, int id)
{
    switch (id) {
    case IDOK:
        GetDlgItemTextA(dialog, IDC_DIR_EDIT, dirText, sizeof dirText);
        EndDialog(dialog, 1);
        return 1;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return 1;
    case IDC_DIR_BROWSE:
        return OnGetDirBrowse(dialog);
    }
    return 0;
}

void OnBrowseInit(HWND dialog)
{
    // DLG_GETSRCDIR has no prompt line: its own text stays.
    HWND prompt = GetDlgItem(dialog, IDC_BROWSE_PROMPT);
    if (prompt)
        SetWindowTextA(prompt, dirPrompt);
}

}  // namespace

int CreateDirectoryPath(char* path, SECURITY_ATTRIBUTES* security, bool* existed)
{
    bool unused;
    bool& there = existed ? *existed : unused;
    there = false;
    if (CreateDirectoryA(path, security))
        return 1;
    DWORD error = GetLastError();
    // Already there: a directory counts as created (a drive's root too, which
    // cannot be created), a file of that name does not.
    there = IsDirectory(path);
    if (there)
        return 1;

    int created = 0;
    char* slash = error == ERROR_ALREADY_EXISTS ? nullptr : LastBackslash(path);
    if (slash) {
        *slash = '\0';
        CreateDirectoryPath(path, security);
        *slash = '\\';
        created = CreateDirectoryA(path, security) ? 1 : 0;
        if (!created) {
            error = GetLastError();
            // A path ending in "\" was made by the call above: it exists now
            // (and counts as there before, to be judged like any other).
            there = IsDirectory(path);
            created = there ? 1 : 0;
        }
    }
    if (!created)
        ReportCreateFailure(path, error);
    return created;
}

int MakeFullDirectory(char* dir)
{
    char full[PROMPT_CHARS];
    char* name;
    DWORD n = GetFullPathNameA(dir, sizeof full, full, &name);
    if (n == 0 || n >= sizeof full || n + 1 + LongestInstalledName() >= MAX_PATH)
        return 0;
    CopyText(dir, PROMPT_CHARS, full);
    return 1;
}

int MakeFullOrRefuse(char* dir)
{
    if (MakeFullDirectory(dir))
        return 1;
    // Cut, the path would name some other directory: refused whole.
    ReportCreateFailure(dir, dir[0] ? ERROR_FILENAME_EXCED_RANGE : ERROR_INVALID_NAME);
    return 0;
}

int CreateInstallDirectory(char* dir)
{
    return MakeFullOrRefuse(dir) && CreateDirectoryPath(dir);
}

int LocateSource(HINSTANCE instance, HWND owner, char* dir, const char* fileName)
{
    char path[PROMPT_CHARS];
    CopyText(path, sizeof path, dir);
    size_t baseLength = AppendSeparator(path, sizeof path);
    LoadMessage(IDS_SOURCE_DIR_CAPTION, dirDialogCaption, sizeof dirDialogCaption);

    for (;;) {
        size_t room = sizeof path - baseLength;
        int n = std::snprintf(path + baseLength, room, "%s", fileName);
        // A name that does not fit is not looked for: a cut name could match another file.
        bool fits = n >= 0 && static_cast<size_t>(n) < room;
        size_t length = baseLength + (fits ? static_cast<size_t>(n) : 0);
        bool found = fits && baseLength > 0 && PathExists(path);
        if (!found && fits && n > 0) {
            path[length - 1] = '_';  // the compressed name: marvane.exe -> marvane.ex_
            found = PathExists(path);
        }
        path[baseLength] = '\0';
        if (found) {
            CopyText(dir, PROMPT_CHARS, path);
            return 1;
        }

        CopyText(browseFileName, sizeof browseFileName, fileName);
        char prompt[PROMPT_CHARS];
        LoadMessage(IDS_LOCATE_SOURCE, prompt, sizeof prompt);
        if (!AskDirectory(owner, instance, prompt, path, path))
            return 0;
        baseLength = AppendSeparator(path, sizeof path);
    }
}

int AskProgramDir(HINSTANCE instance, HWND owner, char* dir)
{
    LoadMessage(IDS_PROGRAM_DIR_CAPTION, dirDialogCaption, sizeof dirDialogCaption);
    CopyText(browseFileName, sizeof browseFileName, "a");
    char prompt[PROMPT_CHARS];
    LoadMessage(IDS_ENTER_DEST_DIR, prompt, sizeof prompt);

    while (AskDirectory(owner, instance, prompt, dir, dir)) {
        if (CreateProgramDirectory(dir))
            return 1;
        char caption[SHORT_MESSAGE_CHARS];
        char text[SHORT_MESSAGE_CHARS];
        LoadMessage(IDS_PRODUCT_NAME, caption, sizeof caption);
        LoadMessage(IDS_DIR_FAILED_PROMPT, text, sizeof text);
        WriteLog(text);
        MessageBoxA(owner, text, caption, MB_ICONERROR);
    }
    return 0;
}

int AskDirectory(HWND owner, HINSTANCE instance, const char* prompt, const char* initialText, char* answer)
{
    if (prompt != dirPrompt)
        CopyText(dirPrompt, sizeof dirPrompt, prompt);
    if (initialText != dirText)
        CopyText(dirText, sizeof dirText, initialText);
    INT_PTR result = DialogBoxParamA(instance, "DLG_GETDIR", owner, GetDirDlgProc, 0);
    // A prompt that cannot be shown is no answer.
    if (result == -1 || result == 0)
        return 0;
    if (answer != dirText)
        CopyText(answer, PROMPT_CHARS, dirText);
    return 1;
}

INT_PTR CALLBACK GetDirDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnGetDirInit(dialog);
    case WM_COMMAND:
        return OnGetDirCommand(dialog, LOWORD(wParam));
    }
    return 0;
}

int BrowseForDirectory(HWND owner, const char* presetFileName, const char* initialDir, char* result)
{
    bool sourcePicker = lstrcmpiA(presetFileName, SOURCE_FILE_NAME) == 0;
    if (result != presetFileName)
        CopyText(result, BROWSE_CHARS, presetFileName);

    // "All Files (*.*)|*.*||" with every "|" made a terminator: one filter and the empty end entry.
    char allFiles[NAME_CHARS];
    LoadMessage(IDS_ALL_FILES, allFiles, sizeof allFiles);
    char filter[NAME_CHARS + 16];
    std::snprintf(filter, sizeof filter, "%s (*.*)|*.*||", allFiles);
    for (char* c = filter; *c; ++c)
        if (*c == '|')
            *c = '\0';

    char title[NAME_CHARS];
    LoadMessage(IDS_LOCATE, title, sizeof title);

    OPENFILENAMEA ofn;
    std::memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = kOpenFileNameSize;
    ofn.hwndOwner = owner;
    ofn.hInstance = installer.instance;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = result;
    ofn.nMaxFile = BROWSE_CHARS;
    ofn.lpstrInitialDir = initialDir;
    ofn.lpstrTitle = title;
    ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
    ofn.lpfnHook = BrowseHookProc;
    ofn.lpTemplateName = sourcePicker ? "DLG_GETSRCDIR" : "DLG_BROWSE";
    // The common dialogs come from the system directory when they are first
    // needed: imported, they and what they pull in (the common controls and their
    // theming) would be loaded at start-up, before the DLL search is narrowed, and
    // a copy of one of them beside setup.exe could be taken instead.
    HMODULE dialogs = LoadSystemLibrary("comdlg32.dll");
    typedef BOOL(WINAPI * OpenFn)(LPOPENFILENAMEA);
    OpenFn open =
        dialogs ? reinterpret_cast<OpenFn>(reinterpret_cast<void*>(GetProcAddress(dialogs, "GetOpenFileNameA")))
                : nullptr;
    BOOL chosen = open && open(&ofn);
    if (dialogs)
        FreeLibrary(dialogs);
    if (!chosen)
        return 0;

    // The answer is the navigated directory followed by the preset name: keep the directory.
    CutFileName(result);
    return 1;
}

UINT_PTR CALLBACK BrowseHookProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnBrowseInit(dialog);
        break;
    }
    return 0;
}
