// The compiled-in payload file table: the one list of what the Installer installs.
#ifndef MARVANE_FILETABLE_H
#define MARVANE_FILETABLE_H

#include <cstddef>

enum {
    DIR_PROGRAM = 0,
    DIR_DATA = 1,
    DIR_WEB = 2,
};

enum {
    STATUS_COPIED = 1,
    STATUS_EXTRACTED = 2,
    STATUS_DAMAGED = 4,  // its container failed the checksum: no disk can give it
};

struct PayloadFile {
    const char* resource;    // resource name, of type "EXE"
    int disk;                // distribution disk
    const char* sourceName;  // name on the source medium (the temporary directory)
    const char* destName;    // name in the destination directory
    int required;            // a failed copy stops the installation
    int makeIcon;            // gets a Program Manager item
    const char* iconTitle;   // item title, "" without an item
    int destDir;             // DIR_PROGRAM, DIR_DATA or DIR_WEB
    int status;              // STATUS_* bits of this run, never persisted
};

enum { FILE_TABLE_ROWS = 10 };

extern PayloadFile fileTable[FILE_TABLE_ROWS];
extern const int fileCount;

// The longest name a file is installed under (the temporary files carry the same
// names): every path made of a directory and one of them must stay within MAX_PATH.
// (In extract.cpp, not beside the table: a test program may bring a table of its own.)
size_t LongestInstalledName();

// The remover's installed name, as the table spells it: the record names it.
#define REMOVER_FILE_NAME "remove.exe"

// Resource type of every payload resource.
#define PAYLOAD_RESOURCE_TYPE "EXE"

// Type and name of the one resource that holds the build's CRC-32 of every payload
// resource (see FindRecordedCrc).
#define PAYLOAD_CHECKSUM_TYPE "CRC32"
#define PAYLOAD_CHECKSUM_NAME "PAYLOAD"

#endif
