#include "payload/filetable.h"

#include <cstring>

// Order matters: extraction, copy, icon creation and removal all walk it in this order.
PayloadFile fileTable[FILE_TABLE_ROWS] = {
    {"EXEFILE", 1, "marvane.exe", "Marvane.exe", 1, 1, "Marvane", DIR_PROGRAM, 0},
    {"DLLFILE", 1, "crvtsupt.dll", "crvtsupt.dll", 0, 0, "", DIR_PROGRAM, 0},
    {"HLPFILE", 1, "marvane.hlp", "Marvane.hlp", 0, 1, "Marvane Help File", DIR_PROGRAM, 0},
    {"TXTFILE", 1, "release.txt", "Release.txt", 1, 1, "Marvane Release Notes", DIR_PROGRAM, 0},
    {"REMFILE", 1, "remove.exe", "remove.exe", 1, 1, "Uninstall Marvane", DIR_PROGRAM, 0},
    {"W1", 1, "down1.wav", "down1.wav", 0, 0, "", DIR_PROGRAM, 0},
    {"W2", 1, "down2.wav", "down2.wav", 0, 0, "", DIR_PROGRAM, 0},
    {"W3", 1, "down3.wav", "down3.wav", 0, 0, "", DIR_PROGRAM, 0},
    {"WA", 1, "up.wav", "up.wav", 0, 0, "", DIR_PROGRAM, 0},
    {"BM", 1, "marvane.bmp", "marvane.bmp", 0, 0, "", DIR_PROGRAM, 0},
};

const int fileCount = FILE_TABLE_ROWS;

size_t LongestInstalledName()
{
    size_t longest = 0;
    for (int i = 0; i < fileCount; ++i) {
        size_t n = std::strlen(fileTable[i].destName);
        if (n > longest)
            longest = n;
    }
    return longest;
}
