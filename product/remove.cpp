// remove.exe of the stand-in product. For now it only says what it is; quiet
// switches ("-s", "-q") make it exit at once without a word.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    if (commandLine && (std::strstr(commandLine, "-s") || std::strstr(commandLine, "-q")))
        return 0;
    MessageBoxA(nullptr, "This is the remover of the Marvane Plus stand-in build. It removes nothing yet.",
                "Marvane Plus", MB_OK | MB_ICONINFORMATION);
    return 0;
}
