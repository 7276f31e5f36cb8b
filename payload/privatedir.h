// A directory of the program's own inside the platform's temporary directory:
// the Installer extracts its payload into one, the remover runs its working copy
// from one.
#ifndef MARVANE_PRIVATEDIR_H
#define MARVANE_PRIVATEDIR_H

#include <windows.h>

#include <cstddef>

// Creates "<temp>\<prefix><8 hex digits>" (the prefix is three letters) with the
// given security (null: the default) and puts its path, without a trailing "\",
// into dir (cap characters). The name is seeded from the process and the time; a
// name that is taken, by a file or a directory, is never reused, since whatever
// was planted there must not become the program's own. False when no directory
// was made; dir then holds the last name tried (empty when there was none).
bool MakePrivateDirectory(const char* prefix, SECURITY_ATTRIBUTES* security, char* dir, size_t cap);

// Calls visit(dir, name, context) for every directory "<temp>\<prefix><8 hex digits>"
// there is, with dir its path ending in "\" (writable: the caller may cut it) and
// name the directory's own name: what earlier runs left behind when they were
// killed, for the caller to clear of its own files, and nothing else.
void ForEachPrivateDirectory(const char* prefix, void (*visit)(char* dir, const char* name, void* context),
                             void* context);

#endif
