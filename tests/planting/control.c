/* Loads the DLL named on its command line by name, without narrowing the DLL
   search: the probe beside it must be taken. Shows that a planted probe is seen. */
#include <windows.h>

int WinMainCRTStartup(void)
{
    const char* name = GetCommandLineA();
    const char* space = name;
    while (*space && *space != ' ')
        ++space;
    while (*space == ' ')
        ++space;
    ExitProcess(LoadLibraryA(space) ? 0 : 1);
}
