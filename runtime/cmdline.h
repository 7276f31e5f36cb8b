// The command line as WinMain receives it. Pure logic: no platform headers.
#ifndef MARVANE_CMDLINE_H
#define MARVANE_CMDLINE_H

// Skips the program name at the start of the process command line and the
// blanks after it; returns where the arguments begin (a pointer into the same
// text, never null for a non-null text; "" for a null one). The name ends at the
// first character up to the space (control characters included) outside double
// quotes; quotes may open and close anywhere in it. Characters above 127 belong
// to the name: a folder like "C:\Übung" does not end it.
const char* SkipProgramName(const char* commandLine);

#endif
