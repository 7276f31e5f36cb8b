// The release check of what a program asks of the loader: which DLLs and functions
// it imports, the OS and subsystem versions it declares, and whether it has a TLS
// directory. The facts it checks against live in tools/legacy-exports.txt.
#ifndef MARVANE_IMPORTCHECK_H
#define MARVANE_IMPORTCHECK_H

#include <map>
#include <set>
#include <string>
#include <vector>

#include "peinfo.h"

struct ExportList {
    std::set<std::string> knownDlls;                         // normalised DLL names
    std::map<std::string, std::set<std::string>> exports;  // DLL -> functions
};

// "KERNEL32" and "kernel32.DLL" both become "kernel32.dll": the loader compares
// names without regard to case and adds ".dll" to a name without an extension.
std::string NormaliseDllName(const std::string& name);

// Reads the list: "[KnownDLLs]" opens the DLLs that load only from the system
// directory, one a line; "[NAME.DLL]" opens the functions of that DLL that both
// Windows 95 and NT 4.0 export, one a line, each followed by the source of that
// fact. '#' starts a comment line. False with "line N: why" in *error.
bool ParseExportList(const std::string& text, ExportList* list, std::string* error);

// One line per problem, naming the DLL and function it concerns; none when the
// image passes.
std::vector<std::string> CheckImports(const PeInfo& info, const ExportList& list);

#endif
