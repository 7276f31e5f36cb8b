// The process entry of setup.exe, in place of the toolchain's start-up code.
// msvcrt.dll initialises itself when it is loaded, so all that is left to do is
// what the toolchain's version does for a GUI program: run the static
// constructors, find the arguments after the program name, call WinMain and end
// through exit() so that the C library flushes and closes its files. Leaving the
// rest out (TLS callbacks, run-time pseudo relocations, the floating-point and
// signal set-up, the argv vector) keeps some 6 KB of code nobody here uses out
// of the program; the link refuses anything that would need pseudo relocations.
#include <windows.h>

#include <stdlib.h>

#include "runtime/cmdline.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

extern "C" {
// Laid out by the linker: a count (or -1) and the functions, closed by a null.
extern void (*__CTOR_LIST__[])();
extern void (*__DTOR_LIST__[])();
void __cdecl __set_app_type(int type);

int WinMainCRTStartup();
}

namespace {

void RunDestructors()
{
    for (void (**d)() = __DTOR_LIST__ + 1; *d; ++d)
        (*d)();
}

// In reverse order of the list, as the toolchain does.
void RunConstructors()
{
    size_t n = 0;
    while (__CTOR_LIST__[n + 1])
        ++n;
    if (n == 0)
        return;
    for (; n > 0; --n)
        __CTOR_LIST__[n]();
    atexit(RunDestructors);
}

}  // namespace

#if defined(__i386__)
// Windows enters with a 4-byte aligned stack; code from the toolchain's
// libraries, built for 16, may assume that.
__attribute__((force_align_arg_pointer))
#endif
int WinMainCRTStartup()
{
    __set_app_type(2);  // a GUI program: the C library reports errors in message boxes
    RunConstructors();
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    char* arguments = const_cast<char*>(SkipProgramName(GetCommandLineA()));
    exit(WinMain(GetModuleHandleA(nullptr), nullptr, arguments, show));
}
