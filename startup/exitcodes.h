// The process exit codes of setup.exe and remove.exe: deployment tools and scripts
// act on them. Where the Windows Installer has a code for the outcome, it is that
// code, so that a tool treats it as it treats any installer's (1618: try again
// later). Every code but EXIT_OK is non-zero. Without <windows.h>, so that the host
// tools and the tests compile against the same values as the programs.
#ifndef MARVANE_EXITCODES_H
#define MARVANE_EXITCODES_H

// Which program may end with a code.
enum {
    EXIT_BY_SETUP = 1,
    EXIT_BY_REMOVER = 2,
    EXIT_BY_BOTH = EXIT_BY_SETUP | EXIT_BY_REMOVER,
};

// X(name, value, programs, meaning): the one list of the codes, so that the
// package manifest's generator and the tests walk the same codes the programs use.
#define MARVANE_EXIT_CODES(X)                                                                          \
    X(EXIT_OK, 0, EXIT_BY_BOTH, "installed, or every file of the product removed")                   \
    X(EXIT_CANCELLED, 1602, EXIT_BY_BOTH, "cancelled by the user: Cancel, Exit, or No that ends the run") \
    X(EXIT_FAILED, 1603, EXIT_BY_BOTH, "failed: the box and the log say why")                         \
    X(EXIT_NOTHING_TO_REMOVE, 1605, EXIT_BY_SETUP, "removal asked for, but no installation on record") \
    X(EXIT_BUSY, 1618, EXIT_BY_BOTH, "another run is installing or removing; nothing changed")        \
    X(EXIT_FILE_IN_USE, 32, EXIT_BY_BOTH, "a file of the product is in use and stayed, with the record") \
    X(EXIT_BAD_COMMAND_LINE, 1639, EXIT_BY_REMOVER, "the remover's command line lacks -f, -d or -g")    \
    X(EXIT_NO_WINDOW, 2, EXIT_BY_SETUP, "the main window could not be created")                      \
    X(EXIT_NO_PAYLOAD, 3, EXIT_BY_SETUP, "this copy of the Installer holds no product files")        \
    X(EXIT_NO_CLASS, -1, EXIT_BY_SETUP, "the window class could not be registered")

#define MARVANE_EXIT_ENUMERATOR(name, value, programs, meaning) name = (value),
enum { MARVANE_EXIT_CODES(MARVANE_EXIT_ENUMERATOR) };
#undef MARVANE_EXIT_ENUMERATOR

#endif
