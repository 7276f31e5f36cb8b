// The remover's command line, read and written. Pure logic: no platform headers.
//
// The Installer records the remover as
//     <program dir>\remove.exe -f <program dir> -d <data dir> -g <group>
// with nothing quoted but, when it holds a blank, the remover's own path. The three
// values may hold blanks, so the line is split at the switches, not at blanks: -f
// runs to the first " -d ", -d to the first " -g " after it, and -g to the end.
// Switches of the remover itself come before -f: "-q" or "-s" (quiet), and for
// the working copy "-w <number>" (the handle of the process that it waits for)
// and "-o <number>" (the handle of the pipe that it writes its exit code to).
#ifndef MARVANE_REMOVETEXT_H
#define MARVANE_REMOVETEXT_H

#include <cstddef>

enum {
    REMOVER_VALUE_CHARS = 256,  // a directory or group of up to 255 characters
    REMOVER_LINE_CHARS = 3 * REMOVER_VALUE_CHARS + 2 * 260 + 64,
};

struct RemoverArgs {
    char programDir[REMOVER_VALUE_CHARS];
    char dataDir[REMOVER_VALUE_CHARS];
    char group[REMOVER_VALUE_CHARS];
    int quiet;
    unsigned long waitHandle;     // 0: none given
    unsigned long outcomeHandle;  // 0: none given
};

// Reads a whole command line (the program's path first, quoted or not). Returns
// true when -f, -d and -g stand in this order, the program directory is a full
// path ("X:\..." or "\\server\...") and no value is longer than 255 characters
// (a cut directory would be some other directory). Values lose the blanks around
// them, and the program and data directories one trailing backslash (not a
// drive's root's). quiet and waitHandle are filled even when the result is false.
bool ParseRemoverCommandLine(const char* commandLine, RemoverArgs* args);

// The working copy's command line:
//     "<copy path>" -w <handle> -o <handle> [-q] -f ... -d ... -g ...
// False (and dest empty) when it does not fit.
bool ComposeWorkingCopyLine(char* dest, size_t cap, const char* copyPath, unsigned long waitHandle,
                            unsigned long outcomeHandle, const RemoverArgs& args);

// WININIT.INI, which Windows 95, 98 and Me read at their next start (they do not
// implement MoveFileEx's delayed deletion): the `size` bytes of `text` (the file
// as it is, or nothing) with the line "NUL=<path>" added at the end of its
// [rename] section, or a new [rename] section with that line at the end of the
// file. The file is no true profile file (it may name NUL many times), so it is
// edited as text: every other byte stays as it was. The path must be a short (8.3)
// one, the only kind read at that stage of the start. Writes the result and its
// terminator into dest and returns its length; 0 (dest empty) when it does not fit.
size_t AddWininitDeletion(char* dest, size_t cap, const char* text, size_t size, const char* path);
#endif
