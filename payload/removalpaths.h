// What a removal deletes, in the order it deletes it: for each row of the file
// table, the installed file, and beside the help file the index the help viewer
// leaves (".gid"). Rows go by their destination selector: DIR_WEB rows are looked
// for in the "web" subdirectory of the program directory, every other row in the
// program directory itself. The Installer's removal and the remover both walk this
// list. Pure logic: no platform headers.
#ifndef MARVANE_REMOVALPATHS_H
#define MARVANE_REMOVALPATHS_H

#include <cstddef>

enum { REMOVAL_PATH_CHARS = 260 + 4 + 260 };  // directory, "\web\", name

// Calls visit(path, companion, context) for every path, in order; companion is
// true for the help index, whose deletion is neither logged nor looked at. A
// path that would not fit REMOVAL_PATH_CHARS is left out: a cut path would name
// some other file. A program directory that ends in "\" takes names directly.
void ForEachRemovalPath(const char* programDir, void (*visit)(const char* path, bool companion, void* context),
                        void* context);

#endif
