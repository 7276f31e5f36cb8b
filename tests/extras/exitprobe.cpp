// The Installer's start-up failures, for the package manifest's test:
//   exitprobe no-class|no-window|no-payload
// runs InstallerMain, all that setup.exe's WinMain does, in the situation named,
// answers its boxes, prints the code it returned and ends with it. The program is
// linked with an empty file table: a build without payload files.
//   exitprobe codes
// prints startup/exitcodes.h's list, one "name value programs" line per code, so
// that the test holds the manifest against the header the programs are built from.
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
    if (std::strcmp(situation, "codes") == 0) {
#define MARVANE_EXIT_LINE(name, value, programs, meaning) std::printf("%s %d %d\n", #name, name, programs);
        MARVANE_EXIT_CODES(MARVANE_EXIT_LINE)
#undef MARVANE_EXIT_LINE
        return 0;
    }
    if (std::strcmp(situation, "no-class") == 0)
        RegisterMainClass(instance);  // taken already: the Installer's own registration fails
    // "no-window": told that a previous instance registered the class, which none did.
    HINSTANCE previous = std::strcmp(situation, "no-window") == 0 ? instance : nullptr;
    int code = EXIT_OK;
    WithBoxes({}, [&] { code = InstallerMain(instance, previous, "-q"); });
    std::printf("exit code %d\n", code);
    return code;
}
