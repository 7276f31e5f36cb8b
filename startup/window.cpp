#include "startup/window.h"

#include <cstdio>
#include <cstring>

#include "install/messages.h"
#include "install/sequence.h"
#include "payload/paths.h"
#include "payload/extract.h"
#include "resources/resource.h"
#include "startup/geometry.h"
#include "startup/runlock.h"
#include "startup/state.h"
#include "startup/switches.h"

namespace {

// True while the start command is being handled: the whole run happens inside it.
bool sequenceRunning = false;
int exitCode = EXIT_OK;

// A second run at once is refused before it changes anything: said in a box,
// or in quiet mode in the log only.
void RefuseSecondRun(HWND window)
{
    char text[MESSAGE_CHARS];
    LoadMessage(IDS_ALREADY_RUNNING, text, sizeof text);
    WriteLog(text);
    if (!installer.quietMode)
        MessageBoxA(window, text, installer.installTitle, MB_OK | MB_ICONERROR);
}

void OnStart(HWND window)
{
    sequenceRunning = true;
    exitCode = EXIT_BUSY;
    if (AcquireRunLock()) {
        exitCode = RunInstallSequence(window);
        RemoveTempFiles();
        ReleaseRunLock();
    } else {
        RefuseSecondRun(window);
    }
    sequenceRunning = false;
    PostMessageA(window, WM_CLOSE, 0, 0);
}

void OnCreate()
{
    installer.logoBitmap = LoadBitmapA(installer.instance, "CVKLOGO");
    installer.productBitmap = LoadBitmapA(installer.instance, "QX_BMP");
}

void OnDestroy()
{
    if (installer.productBitmap)
        DeleteObject(installer.productBitmap);
    if (installer.logoBitmap)
        DeleteObject(installer.logoBitmap);
    installer.productBitmap = nullptr;
    installer.logoBitmap = nullptr;
}

// Shows a start-up failure: no owner, default caption, warning icon.
void StartupFailure(unsigned id)
{
    char text[SHORT_MESSAGE_CHARS];
    LoadMessage(id, text, sizeof text);
    MessageBoxA(nullptr, text, nullptr, MB_OK | MB_ICONWARNING);
}

}  // namespace

bool RegisterMainClass(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_BYTEALIGNWINDOW;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "APP_MAIN");
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(RGB(0, 128, 128));
    wc.lpszClassName = MAIN_WINDOW_CLASS;
    return RegisterClassA(&wc) != 0;
}

HWND CreateMainWindow(HINSTANCE instance)
{
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    Placement p = MainWindowPlacement(desktop.left, desktop.top, desktop.right, desktop.bottom);
    return CreateWindowExA(0, MAIN_WINDOW_CLASS, "Install", WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                           p.x, p.y, p.width, p.height, nullptr, nullptr, instance, nullptr);
}

namespace {

// The Installer's directory followed by "marvane.inf"; ".\" when the module name is unknown.
void FormSetupInfoPath(HINSTANCE instance)
{
    char module[MAX_PATH];
    DWORD n = GetModuleFileNameA(instance, module, sizeof module);
    char* slash = (n > 0 && n < sizeof module) ? LastBackslash(module) : nullptr;
    if (slash)
        slash[1] = '\0';
    else
        CopyText(module, sizeof module, ".\\");
    std::snprintf(installer.setupInfoPath, sizeof installer.setupInfoPath, "%smarvane.inf", module);
}

int RunMessageLoop()
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (installer.copyDialog && IsDialogMessageA(installer.copyDialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_PAINT:
        return PaintBackdrop(window);
    case WM_COMMAND:
        if (LOWORD(wParam) == CMD_START)
            OnStart(window);
        return 0;
    case WM_CLOSE:
        // Closing from the system menu while the run is in progress would end the
        // loop under the sequence's feet: refuse it; the run closes the window itself.
        if (sequenceRunning)
            return 0;
        PostQuitMessage(exitCode);
        break;
    case WM_DESTROY:
        OnDestroy();
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void CenterOnDesktop(HWND window)
{
    RECT r, desktop;
    GetWindowRect(window, &r);
    GetWindowRect(GetDesktopWindow(), &desktop);
    int x, y;
    CenteredOrigin(r.right - r.left, r.bottom - r.top, desktop.right - desktop.left,
                   desktop.bottom - desktop.top, &x, &y);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
}

int InstallerMain(HINSTANCE instance, HINSTANCE previous, const char* commandLine)
{
    installer.instance = instance;
    LoadLeadBytes();
    if (!previous && !RegisterMainClass(instance)) {
        StartupFailure(IDS_REGISTER_FAILED);
        return EXIT_NO_CLASS;
    }
    installer.mainWindow = CreateMainWindow(instance);
    if (!installer.mainWindow) {
        StartupFailure(IDS_CREATE_WINDOW_FAILED);
        return EXIT_NO_WINDOW;
    }
    SwitchFlags flags = ParseSwitches(commandLine);
    installer.installRequested = flags.installRequested;
    installer.removeRequested = flags.removeRequested;
    installer.quietMode = flags.quietMode;
    installer.logEnabled = flags.logEnabled;
    FormSetupInfoPath(instance);
    if (LoadInstallDefaults(instance, installer.mainWindow, installer.setupInfoPath) == 0) {
        WriteLog("Failed to read INF file.");
        DestroyWindow(installer.mainWindow);
        return EXIT_NO_PAYLOAD;
    }
    ApplyQuietInstall(&flags);
    installer.installRequested = flags.installRequested;
    ShowWindow(installer.mainWindow, installer.quietMode ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
    PostMessageA(installer.mainWindow, WM_COMMAND, CMD_START, 0);
    return RunMessageLoop();
}
