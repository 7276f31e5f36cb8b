// Directory prompts, the directory picker and directory creation.
#ifndef MARVANE_PROMPTS_H
#define MARVANE_PROMPTS_H

#include <windows.h>

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
// name is a failure. Each directory it creates gets `security`.
int CreateDirectoryPath(char* path, SECURITY_ATTRIBUTES* security = nullptr);

// Makes dir (PROMPT_CHARS) the full path of what it names (GetFullPathNameA: a
// relative or drive-relative directory is taken from the current directory).
// 0, dir unchanged, when that is too long for the installed files' paths to stay
// within MAX_PATH.
int MakeFullDirectory(char* dir);

// The program or data directory: made a full path, then created with its
// parents. A path too long is refused with the 10003 box, as a directory that
// cannot be created. 1 when the directory exists afterwards.
int CreateInstallDirectory(char* dir);

// The same for the program directory, which on Windows NT gets rights of its own
// (install/dirsecurity.h): given when it is created, and given to the existing
// directory when it is the recorded installation. Never to a drive's root nor on
// a volume that keeps no file security. Rights that cannot be given count as a
// directory that cannot be created (the 10003 box, 0).
int CreateProgramDirectory(char* dir);

// Confirms fileName (plain or with "_" last) in dir, else asks for a directory.
// dir (PROMPT_CHARS) comes back ending in "\". 0 when the user gave up.
int LocateSource(HINSTANCE instance, HWND owner, char* dir, const char* fileName);

// Asks for the program directory until one can be created (CreateProgramDirectory).
// dir holds PROMPT_CHARS and comes back a full path.
int AskProgramDir(HINSTANCE instance, HWND owner, char* dir);

// The modal prompt DLG_GETDIR. 1 on OK (answer holds the edit text), 0 on Cancel.
int AskDirectory(HWND owner, HINSTANCE instance, const char* prompt, const char* initialText, char* answer);

// The picker behind Browse. Nonzero on OK: result holds the directory without "\".
int BrowseForDirectory(HWND owner, const char* presetFileName, const char* initialDir, char* result);

INT_PTR CALLBACK GetDirDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
UINT_PTR CALLBACK BrowseHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
