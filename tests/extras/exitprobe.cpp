// The Installer's start-up failures, for the package manifest's test:
//   exitprobe no-class|no-window|no-payload
// runs InstallerMain, all that setup.exe's WinMain does, in the situation named,
// answers its boxes, prints the code it returned and ends with it. The program is
// linked with an empty file table: a build without payload files.
#include <cstdio>
#include <cstring>

#include "payload/filetable.h"
#include "startup/window.h"
#include "support/boxes.h"

PayloadFile fileTable[FILE_TABLE_ROWS] = {};
const int fileCount = 0;

namespace {

HHOOK hook;

// Lets every window be created but the main window.
LRESULT CALLBACK RefuseMainWindow(int code, WPARAM wParam, LPARAM lParam)
{
    char name[32];
    if (code == HCBT_CREATEWND && GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name) &&
        std::strcmp(name, MAIN_WINDOW_CLASS) == 0)
        return 1;
    return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    const char* situation = argc == 2 ? argv[1] : "";
    if (std::strcmp(situation, "no-class") == 0)
        RegisterMainClass(instance);  // taken already: the Installer's own registration fails
    else if (std::strcmp(situation, "no-window") == 0)
        hook = SetWindowsHookExA(WH_CBT, RefuseMainWindow, nullptr, GetCurrentThreadId());
    else if (std::strcmp(situation, "no-payload") != 0)
        return 100;
    int code = EXIT_OK;
    WithBoxes({}, [&] { code = InstallerMain(instance, nullptr, "-q"); });
    std::printf("exit code %d\n", code);
    return code;
}
