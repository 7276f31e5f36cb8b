// The process entry of the Installer's programs, in place of the toolchain's
// start-up code, which needs msvcrt.dll (retail Windows 95 has none) and brings
// TLS callbacks, pseudo relocations, floating-point and signal set-up and an argv
// vector that nothing here uses. What is left: narrow the DLL search before
// anything can load a DLL by name, find the arguments after the program name,
// call WinMain and end the process with its result.
//
// The programs have no static constructors, so none are run: the link fails if
// one appears (the assertion of cmake/merge-sections.cmake), and a static object
// with a destructor would need an atexit that is not there.
#include <windows.h>

#include "runtime/cmdline.h"
#include "runtime/dllsearch.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

extern "C" int WinMainCRTStartup();

#if defined(__i386__)
// Windows enters with a 4-byte aligned stack; code from the toolchain's
// libraries, built for 16, may assume that.
__attribute__((force_align_arg_pointer))
#endif
int WinMainCRTStartup()
{
    NarrowDllSearch();
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    char* arguments = const_cast<char*>(SkipProgramName(GetCommandLineA()));
    ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleA(nullptr), nullptr, arguments, show)));
}
