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

}  // namespace

void ForEachRemovalPath(const InstallDirs& dirs, void (*visit)(const char* path, bool companion, void* context),
                        void* context)
{
    for (int i = 0; i < fileCount; ++i) {
        char path[REMOVAL_PATH_CHARS];
        if (!InstalledPath(path, sizeof path, fileTable[i], dirs))
            continue;
        visit(path, false, context);
        if (HelpIndex(path))
            visit(path, true, context);
    }
}
