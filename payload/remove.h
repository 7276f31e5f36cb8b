// Removal of a prior installation, from what the installation recorded.
#ifndef MARVANE_REMOVE_H
#define MARVANE_REMOVE_H

#include <windows.h>

// Returns 1 when the removal ran to its closing message 10010 or 10012, 0 when it
// ended with 10013 (nothing on record).
int RemoveInstallation(HWND owner);

// Removes the program directory once its files are gone. True when it is gone,
// also when the user deleted it before the removal: both removals then say that
// everything was removed.
bool RemoveProgramDirectory(const char* programDir);

#endif
