// The install sequence: one whole installation, or the hand-over to the removal.
#ifndef MARVANE_SEQUENCE_H
#define MARVANE_SEQUENCE_H

#include <windows.h>

// Returns the run's exit code (startup/exitcodes.h): EXIT_OK when the installation
// completed or the removal took every file of the product; EXIT_CANCELLED when the
// user left or cancelled, EXIT_FAILED when a step failed, or the removal's code.
int RunInstallSequence(HWND mainWindow);

#endif
