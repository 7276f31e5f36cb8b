// Process entry of setup.exe.
#include "startup/window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int)
{
    return InstallerMain(instance, previous, commandLine);
}
