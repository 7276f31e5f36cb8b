// Helpers for the Windows-side tests: find windows and drive them as a user would,
// take screenshots, start programs, read and write files.
#ifndef MARVANE_TEST_WINHELP_H
#define MARVANE_TEST_WINHELP_H

#include <windows.h>

#include <functional>
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
// The same, named after the test that runs.
std::string FreshTestDir();
// The name of the test that runs.
std::string TestName();

bool FileExists(const std::string& path);
bool DirExists(const std::string& path);
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
// Names (not paths) in a directory, sorted, without "." and ".."; empty when it is missing.
std::vector<std::string> ListDir(const std::string& dir);
// The platform's temporary directory, ending in "\".
std::string PlatformTempDir();
// Text split at CR LF, without the line ends; a last line that has none comes back
// with "<no line end>" after it, so that a comparison shows it.
std::vector<std::string> SplitLines(const std::string& text);

// A module loaded as a data file: its resources without running it.
struct DataFile {
    explicit DataFile(const std::string& path);
    ~DataFile();
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;
    // The resource's bytes, or "<absent>".
    std::string Resource(const char* type, const char* name) const;
    // Where the resource's bytes lie in the file (a data file is mapped as the file is); 0 when absent.
    size_t FileOffset(const char* type, const char* name) const;

    HMODULE module;
};

// Waits until condition() holds, checking every 20 ms and running this thread's
// windows meanwhile; false when timeoutMs passed first.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 20000);
// Runs this thread's windows for ms. For a screenshot to show what they painted;
// never the wait before a check (wait for the condition instead).
void PumpFor(DWORD ms);

// Finds a top-level window by class and/or title (either may be null), optionally
// belonging to one process, waiting up to timeoutMs.
HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs = 20000, DWORD processId = 0);
// Waits until the window is gone.
bool WaitForWindowGone(HWND window, DWORD timeoutMs = 20000);

std::string WindowText(HWND window);
// Where a window stands on the screen: {left, top, width, height}.
std::vector<long> WindowPlace(HWND window);
std::string ControlText(HWND dialog, int id);
// The texts of a combo box's or a list box's items, in order (each under 512 characters).
std::vector<std::string> ItemTexts(HWND control);
// Presses a button the way a click does (BM_CLICK), without waiting for the result.
void ClickButton(HWND dialog, int id);
// Sends a message and returns once the window has handled it (also across threads
// and processes); false when it was not handled within timeoutMs. A window answers
// a sent message only from its thread's message loop, so a WM_NULL sent to a
// dialog returns once the dialog is fully set up and shown.
bool SendAndWait(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0, DWORD timeoutMs = 10000);
// Presses a button and returns once the click has been handled, so that what the
// click sets is set. Only for buttons whose click returns at once: one that opens
// a modal box would hold this call until the box ends.
bool ClickButtonNow(HWND dialog, int id);
// Replaces an edit control's text as typing would.
void TypeText(HWND dialog, int id, const std::string& text);

// Message box text: the static control of a standard message box.
std::string MessageBoxText(HWND box);

// Saves the whole screen as MARVANE_SCREENSHOT_DIR\name.bmp (the test script turns
// these into PNG). Returns false when the screen cannot be read.
bool SaveScreenshot(const std::string& name);
// The same, once what has just come up has had time to paint (this thread's
// windows run meanwhile). For the picture only: no check may rely on the pause.
void Snapshot(const std::string& name);
// One pixel of the screen.
COLORREF ScreenPixel(int x, int y);

struct Started {
    HANDLE process = nullptr;
    DWORD pid = 0;
};
// Starts a program; cwd may be empty for the current directory.
Started StartProgram(const std::string& exe, const std::string& args, const std::string& cwd = "");
// Starts exe with exactly this command line, the program name as written in it (exe
// null: the program is the command line's first word, looked for as the platform does).
Started StartWithCommandLine(const char* exe, const std::string& commandLine, const std::string& cwd = "");
// Waits for it and returns its exit code; kills it and returns -999 after timeoutMs.
int WaitExit(Started& started, DWORD timeoutMs = 60000);
// Starts, waits, returns the exit code.
int RunProgram(const std::string& exe, const std::string& args, const std::string& cwd = "",
               DWORD timeoutMs = 60000);

#endif
