// peheaders FILE
// Drops the DOS program in front of a linked program's PE headers, in place
// (DropDosProgram, tools/dosstub.h). Run on the program before anything signs it.
#include <cstdio>
#include <string>
#include <vector>

#include "dosstub.h"
#include "fileio.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: peheaders FILE\n");
        return 2;
    }
    std::vector<uint8_t> image;
    if (!ReadWholeFile("peheaders", argv[1], image))
        return 1;
    std::string error;
    uint32_t saved = 0;
    if (!DropDosProgram(&image, &error, &saved)) {
        std::fprintf(stderr, "peheaders: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    if (saved == 0)
        return 0;
    return WriteWholeFile("peheaders", argv[1], image.data(), image.size()) ? 0 : 1;
}
