// The process entry of the Installer's programs, in place of the toolchain's
// start-up code, which needs msvcrt.dll (retail Windows 95 has none) and brings
// TLS callbacks, pseudo relocations, floating-point and signal set-up and an argv
// vector that nothing here uses. What is left: narrow the DLL search before
// anything can load a DLL by name, run the static constructors, find the
// arguments after the program name, call WinMain, run the destructors and end
// the process with WinMain's result.
#include <windows.h>

#include "runtime/cmdline.h"
#include "runtime/dllsearch.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

extern "C" {
// Laid out by the linker: a count (or -1) and the functions, closed by a null.
extern void (*__CTOR_LIST__[])();
extern void (*__DTOR_LIST__[])();

int WinMainCRTStartup();
}

namespace {

// In reverse order of the list, as the toolchain does.
void RunConstructors()
{
    size_t n = 0;
    while (__CTOR_LIST__[n + 1])
        ++n;
    for (; n > 0; --n)
        __CTOR_LIST__[n]();
}

void RunDestructors()
{
    for (void (**d)() = __DTOR_LIST__ + 1; *d; ++d)
        (*d)();
}

}  // namespace

#if defined(__i386__)
// Windows enters with a 4-byte aligned stack; code from the toolchain's
// libraries, built for 16, may assume that.
__attribute__((force_align_arg_pointer))
#endif
int WinMainCRTStartup()
{
    NarrowDllSearch();
    RunConstructors();
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    char* arguments = const_cast<char*>(SkipProgramName(GetCommandLineA()));
    int code = WinMain(GetModuleHandleA(nullptr), nullptr, arguments, show);
    RunDestructors();
    ExitProcess(static_cast<UINT>(code));
}
