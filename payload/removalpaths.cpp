#include "payload/removalpaths.h"

#include <cstdio>
#include <cstring>

#include "payload/filetable.h"

namespace {

// "dir\name", or "dirname" when dir already ends in "\"; false when it does not fit.
bool Join(char* dest, size_t cap, const char* dir, const char* sub, const char* name)
{
    size_t n = std::strlen(dir);
    const char* sep = (n > 0 && dir[n - 1] == '\\') ? "" : "\\";
    int len = sub ? std::snprintf(dest, cap, "%s%s%s\\%s", dir, sep, sub, name)
                  : std::snprintf(dest, cap, "%s%s%s", dir, sep, name);
    return len >= 0 && static_cast<size_t>(len) < cap;
}

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

void ForEachRemovalPath(const char* programDir, void (*visit)(const char* path, bool companion, void* context),
                        void* context)
{
    for (int i = 0; i < fileCount; ++i) {
        const PayloadFile& row = fileTable[i];
        char path[REMOVAL_PATH_CHARS];
        if (!Join(path, sizeof path, programDir, row.destDir == DIR_WEB ? "web" : nullptr, row.destName))
            continue;
        visit(path, false, context);
        if (HelpIndex(path))
            visit(path, true, context);
    }
}
