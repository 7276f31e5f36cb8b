// The install sequence: one whole installation, or the hand-over to the removal.
#ifndef MARVANE_SEQUENCE_H
#define MARVANE_SEQUENCE_H

#include <windows.h>

// Returns 1 when the installation completed (or a removal ran to its closing
// message 10010/10012), 0 when it failed, was cancelled or the user left.
int RunInstallSequence(HWND mainWindow);

#endif
