// Program Manager DDE client: groups and items through the "PROGMAN" service.
#ifndef MARVANE_PROGMAN_H
#define MARVANE_PROGMAN_H

#include <windows.h>

// The shared client instance: its identifier, and non-zero while it is open.
extern DWORD ddeInstance;
extern int ddeReady;

bool ProgmanOpen();
bool ProgmanCreateGroup(const char* groupName);
bool ProgmanExecute(const char* command);
bool ProgmanReplaceItem(const char* title, const char* workingDir, const char* fileName, const char* commandLine);
bool ProgmanDeleteItem(const char* title, const char* fileName);
bool ProgmanDeleteGroup(const char* groupName);
bool ProgmanClose();
// Adds the names of the existing groups to the combo box; the reply buffer, or null.
const char* ProgmanListGroups(HWND comboBox);

// Tests only: talk to another service name than "PROGMAN" (null restores it).
void ProgmanUseServiceForTesting(const char* service);

#endif
