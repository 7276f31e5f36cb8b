// The record of an installation: the WIN.INI section and the uninstall registry key.
#ifndef MARVANE_RECORD_H
#define MARVANE_RECORD_H

#include "resources/version.h"

enum { RECORD_VALUE_CHARS = 256 };

#define RECORD_SECTION "Marvane"
// The uninstall key is named after the product word: package managers know the
// installation by that name (its "product code").
#define UNINSTALL_KEY_NAME PRODUCT_WORD
#define UNINSTALL_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" UNINSTALL_KEY_NAME
// The entry's "DisplayName", as the system's list of installed programs shows it.
#define UNINSTALL_DISPLAY_NAME COMPANY_TEXT " " PRODUCT_WORD " Uninstall"

// GetProfileStringA on section "Marvane"; buffer holds RECORD_VALUE_CHARS. Returns
// the length placed in the buffer (0: nothing recorded, or empty).
int ReadInstallValue(const char* key, const char* defaultText, char* buffer);

// The same, whole, into a buffer of cap characters (the directories are read so,
// so that a value longer than the usual 255 is seen as what it is, not cut).
int ReadInstallText(const char* key, const char* defaultText, char* buffer, unsigned cap);

// Writes the uninstall key (DisplayName, UninstallString, QuietUninstallString,
// NoModify, NoRepair, DisplayVersion, Publisher, InstallLocation, DisplayIcon,
// EstimatedSize) and then DIR, DEFDIR, GROUP and INSTOPTS=1.
// Directories come without a trailing backslash (a drive's root keeps it). True
// when the four WIN.INI keys were written; the key's values are not checked.
bool WriteInstallRecord(const char* programDir, const char* dataDir, const char* groupName);

// Size of this run's installed files in KiB, rounded up: the rows marked
// STATUS_COPIED, found at their installed path (InstalledPath, with the program
// directory as the web directory, as the install has it). A file
// that is gone counts nothing; the result stops at 0xFFFFFFFF.
unsigned long EstimateInstalledKiB(const char* programDir, const char* dataDir);

// Deletes the section "Marvane" of WIN.INI (the uninstall key stays).
void DeleteInstallRecord();

// Deletes the uninstall key. Both removals do, with the section, once every file
// of the product is gone.
void DeleteUninstallKey();

#endif
