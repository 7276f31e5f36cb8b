// The process-wide installer state: what every part of the Installer shares.
#ifndef MARVANE_STATE_H
#define MARVANE_STATE_H

#include <windows.h>

// Widths count the terminating zero: a 256-character field holds 255.
enum {
    NAME_CHARS = 256,
    PATH_INFO_CHARS = 512,
};

struct InstallerState {
    // Start-up and command line.
    HINSTANCE instance;
    HWND mainWindow;
    char setupInfoPath[PATH_INFO_CHARS];
    int installRequested;
    int removeRequested;
    int quietMode;
    int logEnabled;

    // Window and dialogs.
    HBITMAP logoBitmap;
    HBITMAP productBitmap;
    HWND copyDialog;
    int copyCancelled;

    // Compiled-in defaults, filled by LoadInstallDefaults.
    char groupName[NAME_CHARS];
    char installTitle[NAME_CHARS];
    char defaultDirWin4[NAME_CHARS];
    char defaultDirNT3[NAME_CHARS];
    char defaultDirOther[NAME_CHARS];
    unsigned installOptions;
    char dataDirSetting[NAME_CHARS];
};

// The one instance, zero-filled before WinMain runs.
extern InstallerState installer;

// PRODUCT_WORD: the product word used in the record, the group and the messages.
#include "resources/version.h"
#define DEFAULT_PROGRAM_DIR "C:\\Marvane"

// Fills the compiled-in defaults; returns fileCount (0 means start-up must fail).
// The setup description path is accepted for the record but never opened.
int LoadInstallDefaults(HINSTANCE instance, HWND mainWindow, const char* setupInfoPath);

// Fills the lead bytes of the system's code page (payload/paths.h); both programs
// do it first, before any path is looked at.
void LoadLeadBytes();

// Copies src into a fixed buffer of cap characters, always terminated.
void CopyText(char* dest, size_t cap, const char* src);

#endif
