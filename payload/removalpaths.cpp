#include "payload/removalpaths.h"

#include <cstring>

#include "payload/filetable.h"

namespace {

// The help viewer's index beside a help file: ".hlp" (any letter case) becomes ".gid".
bool HelpIndex(char* path)
{
    size_t n = std::strlen(path);
    if (n < 4 || path[n - 4] != '.' || (path[n - 3] | 0x20) != 'h' || (path[n - 2] | 0x20) != 'l' ||
        (path[n - 1] | 0x20) != 'p')
        return false;
    std::memcpy(path + n - 3, "gid", 3);
    return true;
}

bool IsRemover(const PayloadFile& row)
{
    return std::strcmp(row.destName, REMOVER_FILE_NAME) == 0;
}

}  // namespace

bool ForEachRemovalPath(const InstallDirs& dirs, void (*visit)(const char* path, RemovalKind kind, void* context),
                        void* context)
{
    char path[REMOVAL_PATH_CHARS];
    for (int i = 0; i < fileCount; ++i)
        if (!InstalledPath(path, sizeof path, fileTable[i], dirs))
            return false;
    // Twice over the table: the remover's row on the second pass.
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < fileCount; ++i) {
            if (IsRemover(fileTable[i]) != (pass == 1))
                continue;
            InstalledPath(path, sizeof path, fileTable[i], dirs);
            visit(path, pass ? REMOVAL_REMOVER : REMOVAL_FILE, context);
            if (HelpIndex(path))
                visit(path, REMOVAL_COMPANION, context);
        }
    return true;
}
