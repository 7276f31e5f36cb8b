// What an installation leaves behind, as the tests read it: the files, the
// group's items, the WIN.INI section, the uninstall key and the program
// directory's rights. The payload's names are the file table's (fileTable), as
// compiled into the Installer.
#ifndef MARVANE_TEST_INSTALLED_H
#define MARVANE_TEST_INSTALLED_H

#include <windows.h>

#include <set>
#include <string>

#include "payload/filetable.h"

// A payload file as the build packed it, by installed name.
std::string Packed(const std::string& name);
// The packed files' size in KiB, rounded up (the uninstall entry's EstimatedSize).
DWORD PackedKib();
// Every file of the table is in dir as packed, but the one skipped.
void ExpectInstalledAsPacked(const std::string& dir, const std::string& skipped = "");

// The Start Menu's Programs folder of the prefix (where Wine's shell puts groups).
std::string ProgramsFolder();
// The four item files a complete installation creates in its group.
extern const std::set<std::string> kAllItems;
// What the group's folder holds; empty when there is no such folder.
std::set<std::string> GroupItems(const std::string& group);

// A value of the WIN.INI section "Marvane", or "<absent>".
std::string Profile(const char* key);
// WIN.INI has a section "Marvane".
bool SectionExists();

// The uninstall key exists.
bool UninstallKeyExists();
struct RegValue {
    bool present = false;
    DWORD type = REG_NONE;
    std::string bytes;  // exactly the stored data, a string's NUL included
};
// One value of an open key, and of the uninstall key.
RegValue ReadValue(HKEY key, const char* name);
RegValue UninstallValue(const char* name);
// A string as the registry stores it: with its terminating NUL.
std::string WithNul(const std::string& text);

// The WIN.INI section of an installation: its three values and INSTOPTS=1.
void ExpectSection(const std::string& dir, const std::string& dataDir, const std::string& group);
// The whole uninstall entry of an installation: each text a REG_SZ with its NUL (the
// remover's path quoted when it holds a blank), NoModify and NoRepair REG_DWORD 1,
// EstimatedSize REG_DWORD kib.
void ExpectUninstallEntry(const std::string& dir, const std::string& dataDir, const std::string& group, DWORD kib);

// The rights the DACL that the system reports for `path` gives Everyone (0: no
// entry). Wine keeps no descriptor, but the one a directory is given decides its
// Unix mode, from which Wine reports the DACL: Everyone stands for the mode's bits
// for others. A directory made with the program directory's rights has none.
DWORD EveryoneRights(const std::string& path);
// Gives `path` the rights of the SDDL text `sddl` (SetFileSecurityA).
bool SetRights(const std::string& path, const char* sddl);

#endif
