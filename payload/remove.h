// Removal of a prior installation, from what the installation recorded.
#ifndef MARVANE_REMOVE_H
#define MARVANE_REMOVE_H

#include <windows.h>

// Returns the run's exit code (startup/exitcodes.h): EXIT_OK when the removal took
// every file of the product (closing message 10010, or 10012 for files of the
// user's own), EXIT_FILE_IN_USE when a file of the product stayed (10012; the
// record stays for a later removal), EXIT_NOTHING_TO_REMOVE after 10013.
int RemoveInstallation(HWND owner);

// After a failed deletion: whether the product's file at path is still there.
bool ProductFileStayed(const char* path);

// Removes the program directory once its files are gone. True when it is gone,
// also when the user deleted it before the removal: both removals then say that
// everything was removed.
bool RemoveProgramDirectory(const char* programDir);

#endif
