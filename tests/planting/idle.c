/* Imports what setup.exe and remove.exe import and ends at its first instruction:
   whatever the loader loads for it is loaded before any program could act. */
#include <windows.h>

int WinMainCRTStartup(void)
{
    /* Referenced, never called: the imports are what matters. */
    static void* volatile imports[4];
    if (imports[0]) {
        imports[0] = (void*)ExitProcess;
        imports[1] = (void*)MessageBoxA;
        imports[2] = (void*)BitBlt;
        imports[3] = (void*)RegCloseKey;
    }
    return 0;
}
