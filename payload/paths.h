// Paths in the system's code page: whether a directory ends in a backslash, how a
// name joins it, and where a row of the file table is installed. Pure logic: no
// platform headers.
//
// In a double-byte code page (932, 936, 949, 950) the second byte of a character
// may be 0x5C, the byte of "\": "表" is 95 5C, so "C:\表" ends in that byte without
// ending in a backslash. A path is therefore read from its start, each lead byte
// taking the byte after it along, as the system reads it.
#ifndef MARVANE_PATHS_H
#define MARVANE_PATHS_H

#include <cstddef>

#include "payload/filetable.h"

enum { LEAD_BYTE_VALUES = 256 };

// The system code page's lead bytes: nonzero at b when the byte b starts a
// two-byte character. All zero, a code page of single bytes, until the program
// fills it at start (LoadLeadBytes, startup/state.h).
extern unsigned char leadBytes[LEAD_BYTE_VALUES];

// The last backslash of path that is a character of its own, read with the lead
// bytes given; null when there is none.
const char* LastBackslashWith(const unsigned char* leads, const char* path);

inline char* LastBackslash(char* path)
{
    return const_cast<char*>(LastBackslashWith(leadBytes, path));
}

// Whether path ends in a backslash of its own, read with the lead bytes given.
bool EndsInBackslashWith(const unsigned char* leads, const char* path);

inline bool EndsInBackslash(const char* path)
{
    return EndsInBackslashWith(leadBytes, path);
}

// What joins dir and a name: "\", or nothing when dir ends in one (a drive's root).
const char* SeparatorAfter(const char* dir);

// dir and name joined. False, and dest empty, when the path does not fit cap
// characters: a cut path would name some other file.
bool JoinPath(char* dest, size_t cap, const char* dir, const char* name);

// Removes one trailing backslash; a drive's root ("C:\") keeps it, since "C:"
// alone names the drive's current directory.
void DropTrailingBackslash(char* dir);

// Cuts the last name off path, with the backslash before it; a drive's root keeps
// its backslash ("C:\\a" becomes "C:\\"). Nothing happens to a path without one.
void CutFileName(char* path);

// The directories of one installation. The web directory is the program
// directory in this Installer: both the installation and the removals say so.
struct InstallDirs {
    const char* program;
    const char* data;
    const char* web;
};

// The directory a row is installed into: DIR_DATA rows the data directory,
// DIR_WEB rows the web directory, every other the program directory.
const char* InstalledDirectory(int destDir, const InstallDirs& dirs);

// The installed file of a row: its directory and its destName joined. The copy,
// the Program Manager items, the record's size and both removals ask this.
bool InstalledPath(char* dest, size_t cap, const PayloadFile& row, const InstallDirs& dirs);

#endif
