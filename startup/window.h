// Start-up, the main window and the main loop.
#ifndef MARVANE_WINDOW_H
#define MARVANE_WINDOW_H

#include <windows.h>

#include "startup/exitcodes.h"

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
