// Start-up, the main window and the main loop.
#ifndef MARVANE_WINDOW_H
#define MARVANE_WINDOW_H

#include <windows.h>

// Process exit codes. A script running the Installer quietly reads the outcome here.
enum {
    EXIT_OK = 0,                 // installed, or removal ran to its closing message
    EXIT_FAILED = 1,             // failed, cancelled, "Exit", or nothing on record to remove
    EXIT_NO_WINDOW = 2,          // the main window could not be created
    EXIT_NO_PAYLOAD = 3,         // the file table is empty
    EXIT_NO_CLASS = -1,          // the window class could not be registered
};

#define MAIN_WINDOW_CLASS "QXInstal"

// Everything WinMain does: returns the process exit code.
int InstallerMain(HINSTANCE instance, HINSTANCE previous, const char* commandLine);

// The steps of start-up, apart so that tests can build the main window alone.
bool RegisterMainClass(HINSTANCE instance);
HWND CreateMainWindow(HINSTANCE instance);

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Moves a window, keeping its size, to the middle of the desktop (never above
// or left of its top-left corner), without repainting it.
void CenterOnDesktop(HWND window);

// Paints the teal backdrop's bitmaps (the class brush fills the background).
LRESULT PaintBackdrop(HWND window);

#endif
