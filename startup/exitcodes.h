// The Installer's process exit codes: a script running it quietly reads the outcome
// here. Without <windows.h>, so that the host tools and the tests compile against
// the same values as the Installer.
#ifndef MARVANE_EXITCODES_H
#define MARVANE_EXITCODES_H

enum {
    EXIT_OK = 0,                 // installed, or removal ran to its closing message
    EXIT_FAILED = 1,             // failed, cancelled, "Exit", or nothing on record to remove
    EXIT_NO_WINDOW = 2,          // the main window could not be created
    EXIT_NO_PAYLOAD = 3,         // the file table is empty
    EXIT_NO_CLASS = -1,          // the window class could not be registered
};

#endif
