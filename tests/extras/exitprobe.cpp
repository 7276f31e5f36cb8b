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

int main(int argc, char** argv)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    const char* situation = argc == 2 ? argv[1] : "";
    if (std::strcmp(situation, "no-class") == 0)
        RegisterMainClass(instance);  // taken already: the Installer's own registration fails
    // "no-window": told that a previous instance registered the class, which none did.
    HINSTANCE previous = std::strcmp(situation, "no-window") == 0 ? instance : nullptr;
    int code = EXIT_OK;
    WithBoxes({}, [&] { code = InstallerMain(instance, previous, "-q"); });
    std::printf("exit code %d\n", code);
    return code;
}
