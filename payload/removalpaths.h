// What a removal deletes, in the order it deletes it: for each row of the file
// table, the installed file where the installation put it (InstalledPath), and
// beside the help file the index the help viewer leaves (".gid"); the remover
// itself last. The Installer's removal and the remover both walk this list. Pure
// logic: no platform headers.
#ifndef MARVANE_REMOVALPATHS_H
#define MARVANE_REMOVALPATHS_H

#include <cstddef>

#include "payload/paths.h"

enum { REMOVAL_PATH_CHARS = 260 + 260 };  // directory, "\", name

enum RemovalKind {
    REMOVAL_FILE,       // a file of the product
    REMOVAL_COMPANION,  // the help index: its deletion is neither logged nor looked at
    REMOVAL_REMOVER,    // remove.exe, which the record names: deleted only when every other file went
};

// Calls visit(path, kind, context) for every path, in order. False, and nothing
// visited, when a path would not fit REMOVAL_PATH_CHARS: a cut path would name some
// other file, and a removal that leaves some out would leave the record naming
// them. A directory that ends in "\" takes names directly.
bool ForEachRemovalPath(const InstallDirs& dirs, void (*visit)(const char* path, RemovalKind kind, void* context),
                        void* context);

#endif
