// The expanding copy of one payload file, and the copy loop with its progress dialog.
#ifndef MARVANE_COPY_H
#define MARVANE_COPY_H

#include <windows.h>

#include "payload/filetable.h"

// Outcomes of LzCopyFile.
enum {
    LZCOPY_OK = 0,            // in place (copied, or left as it was)
    LZCOPY_NO_SOURCE = 2,     // neither the "_" name nor the plain name opens
    LZCOPY_NO_DEST = 3,       // the destination cannot be created
    LZCOPY_FAILED = -1,       // expansion failed, wrote nothing, or fell short
    LZCOPY_WRITE_FAILED = 4,  // the destination could not be written (a full disk)
};

// Disk of the last successful copy of this run (0 before the first).
extern int currentDisk;

// Expands source into dest through the platform's LZ library (plain files are
// copied unchanged). Asks before overwriting an existing ".ini" file. A
// destination that was created but not written whole is deleted again. For
// LZCOPY_WRITE_FAILED, *writeError (when given) receives the system's error code.
int LzCopyFile(const char* source, const char* dest, DWORD* writeError = nullptr);

// Copies one row from sourceDir (ending in "\") into destDir (without it), with the
// retry and disk prompts. 0: the installation may go on; 1: a required file failed.
int CopyOneFile(PayloadFile* row, const char* sourceDir, const char* destDir, HWND owner, HWND progressLine);

// Copies every row under the progress dialog. 1 when the walk reached the end of the
// table; 0 when a required file failed or the user pressed Cancel.
int CopyFiles(HINSTANCE instance, HWND owner, const char* sourceDir, const char* programDir,
              const char* dataDir, const char* webDir);

// Opens the modeless progress dialog DLG_COPY for the extraction or the copy (none
// in quiet mode), keeps it in installer.copyDialog, clears installer.copyCancelled,
// and returns its progress line (null without a dialog).
HWND OpenProgressDialog(HINSTANCE instance, HWND owner);
// Activates the owner and destroys the dialog, if any.
void CloseProgressDialog(HWND owner);

// Dialog procedure of the modeless progress dialog DLG_COPY.
INT_PTR CALLBACK CopyDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
