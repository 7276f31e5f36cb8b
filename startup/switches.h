// Command-line switches. Pure logic: no platform headers.
#ifndef MARVANE_SWITCHES_H
#define MARVANE_SWITCHES_H

struct SwitchFlags {
    int installRequested;
    int removeRequested;
    int quietMode;
    int logEnabled;
};

// Reads the switches from the command-line text after the program name.
// Each switch is a case-sensitive substring anywhere in the text; "-installqu"
// and "-installsi" stop the examination. A null or empty text sets nothing.
// The rule "quiet without -r installs" is applied separately, after the
// defaults are loaded (ApplyQuietInstall).
SwitchFlags ParseSwitches(const char* commandLine);

// A quiet run without a removal request is a quiet installation.
void ApplyQuietInstall(SwitchFlags* flags);

#endif
