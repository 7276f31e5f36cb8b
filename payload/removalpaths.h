// What a removal deletes, in the order it deletes it: for each row of the file
// table, the installed file where the installation put it (InstalledPath), and
// beside the help file the index the help viewer leaves (".gid"). The Installer's
// removal and the remover both walk this list. Pure logic: no platform headers.
#ifndef MARVANE_REMOVALPATHS_H
#define MARVANE_REMOVALPATHS_H

#include <cstddef>

#include "payload/paths.h"

enum { REMOVAL_PATH_CHARS = 260 + 260 };  // directory, "\", name

// Calls visit(path, companion, context) for every path, in order; companion is
// true for the help index, whose deletion is neither logged nor looked at. A
// path that would not fit REMOVAL_PATH_CHARS is left out: a cut path would name
// some other file. A directory that ends in "\" takes names directly.
void ForEachRemovalPath(const InstallDirs& dirs, void (*visit)(const char* path, bool companion, void* context),
                        void* context);

#endif
