// Helpers for the Windows-side tests: find windows and drive them as a user would,
// take screenshots, start programs, read and write files.
#ifndef MARVANE_TEST_WINHELP_H
#define MARVANE_TEST_WINHELP_H

#include <windows.h>

#include <string>
#include <vector>

// Points the installer state at this test program, whose resources are the Installer's.
void UseTestModule();

std::string Env(const char* name, const char* fallback = "");

// Unix path (as CMake passes it) to the Windows path Wine shows for it (drive Z:).
std::string WindowsPath(const std::string& unixPath);

// setup.exe of this build, as a Windows path.
std::string SetupExe();

// A fresh, empty directory for one test under the prefix's C:\tests.
std::string FreshDir(const std::string& name);

bool FileExists(const std::string& path);
bool DirExists(const std::string& path);
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);

// Finds a top-level window by class and/or title (either may be null), optionally
// belonging to one process, waiting up to timeoutMs.
HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs = 20000, DWORD processId = 0);
// Waits until the window is gone.
bool WaitForWindowGone(HWND window, DWORD timeoutMs = 20000);

std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
// Presses a button the way a click does (BM_CLICK), without waiting for the result.
void ClickButton(HWND dialog, int id);
// Replaces an edit control's text as typing would.
void TypeText(HWND dialog, int id, const std::string& text);

// Message box text: the static control of a standard message box.
std::string MessageBoxText(HWND box);

// Saves the whole screen as MARVANE_SCREENSHOT_DIR\name.bmp (the test script turns
// these into PNG). Returns false when the screen cannot be read.
bool SaveScreenshot(const std::string& name);
// One pixel of the screen.
COLORREF ScreenPixel(int x, int y);

struct Started {
    HANDLE process = nullptr;
    DWORD pid = 0;
};
// Starts a program; cwd may be empty for the current directory.
Started StartProgram(const std::string& exe, const std::string& args, const std::string& cwd = "");
// Waits for it and returns its exit code; kills it and returns -999 after timeoutMs.
int WaitExit(Started& started, DWORD timeoutMs = 60000);
// Starts, waits, returns the exit code.
int RunProgram(const std::string& exe, const std::string& args, const std::string& cwd = "",
               DWORD timeoutMs = 60000);

#endif
