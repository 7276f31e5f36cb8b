// Directory prompts, the directory picker and directory creation.
#ifndef MARVANE_PROMPTS_H
#define MARVANE_PROMPTS_H

#include <windows.h>

#include "resources/resource.h"

enum {
    PROMPT_CHARS = 512,
    BROWSE_CHARS = 260,
};

extern char dirPrompt[PROMPT_CHARS];
extern char dirText[PROMPT_CHARS];
extern char browseResult[BROWSE_CHARS];
extern char dirDialogCaption[256];
extern char browseFileName[256];

// Creates the directory and any missing parents; shows the 10003 box on failure
// (also in quiet mode). 1 when the directory exists afterwards; a file of that
// name is a failure. Each directory it creates gets `security`. *existed (when
// given) says whether the directory was there already, found by failing to
// create it: nothing can appear between a look and the creation.
int CreateDirectoryPath(char* path, SECURITY_ATTRIBUTES* security = nullptr, bool* existed = nullptr);

// The 10003 box ("Creation of ... failed"): no owner, shown in quiet mode too. With
// another message id (its inserts the same), the box of a directory refused, which
// is logged as well.
void ReportCreateFailure(const char* path, DWORD error, unsigned id = IDS_CREATE_FAILED);

// Makes dir (PROMPT_CHARS) the full path of what it names (GetFullPathNameA: a
// relative or drive-relative directory is taken from the current directory).
// 0, dir unchanged, when that is too long for the installed files' paths to stay
// within MAX_PATH.
int MakeFullDirectory(char* dir);

// MakeFullDirectory, and the 10003 box when it refuses the directory.
int MakeFullOrRefuse(char* dir);

// The data directory: made a full path, then created with its parents, its
// rights as they come. A path too long is refused with the 10003 box, as a
// directory that cannot be created. 1 when the directory exists afterwards. (The
// program directory's own: install/progdir.h.)
int CreateInstallDirectory(char* dir);

// Confirms fileName (plain or with "_" last) in dir, else asks for a directory.
// dir (PROMPT_CHARS) comes back ending in "\". 0 when the user gave up.
int LocateSource(HINSTANCE instance, HWND owner, char* dir, const char* fileName);

// Asks for the program directory until one can be created (CreateProgramDirectory,
// install/progdir.h).
// dir holds PROMPT_CHARS and comes back a full path.
int AskProgramDir(HINSTANCE instance, HWND owner, char* dir);

// The modal prompt DLG_GETDIR. 1 on OK (answer holds the edit text), 0 on Cancel.
int AskDirectory(HWND owner, HINSTANCE instance, const char* prompt, const char* initialText, char* answer);

// The picker behind Browse. Nonzero on OK: result holds the directory without "\".
int BrowseForDirectory(HWND owner, const char* presetFileName, const char* initialDir, char* result);

INT_PTR CALLBACK GetDirDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
UINT_PTR CALLBACK BrowseHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
