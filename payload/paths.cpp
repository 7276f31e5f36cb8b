#include "payload/paths.h"

#include <cstdio>
#include <cstring>

unsigned char leadBytes[LEAD_BYTE_VALUES];

const char* LastBackslashWith(const unsigned char* leads, const char* path)
{
    const char* last = nullptr;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(path); *p; ++p) {
        if (*p == '\\')
            last = reinterpret_cast<const char*>(p);
        // A lead byte and its trail are one character; a lead byte at the very
        // end stands alone.
        if (leads[*p] && p[1])
            ++p;
    }
    return last;
}

bool EndsInBackslashWith(const unsigned char* leads, const char* path)
{
    const char* last = LastBackslashWith(leads, path);
    return last && !last[1];
}

const char* SeparatorAfter(const char* dir)
{
    return EndsInBackslash(dir) ? "" : "\\";
}

bool JoinPath(char* dest, size_t cap, const char* dir, const char* name)
{
    if (cap == 0)
        return false;
    int n = std::snprintf(dest, cap, "%s%s%s", dir, SeparatorAfter(dir), name);
    if (n >= 0 && static_cast<size_t>(n) < cap)
        return true;
    dest[0] = '\0';
    return false;
}

void DropTrailingBackslash(char* dir)
{
    size_t n = std::strlen(dir);
    if (EndsInBackslash(dir) && !(n == 3 && dir[1] == ':'))
        dir[n - 1] = '\0';
}

void CutFileName(char* path)
{
    char* slash = LastBackslash(path);
    if (slash)
        slash[slash == path + 2 && path[1] == ':' ? 1 : 0] = '\0';
}

const char* InstalledDirectory(int destDir, const InstallDirs& dirs)
{
    switch (destDir) {
    case DIR_DATA:
        return dirs.data;
    case DIR_WEB:
        return dirs.web;
    default:
        return dirs.program;
    }
}

bool InstalledPath(char* dest, size_t cap, const PayloadFile& row, const InstallDirs& dirs)
{
    return JoinPath(dest, cap, InstalledDirectory(row.destDir, dirs), row.destName);
}
