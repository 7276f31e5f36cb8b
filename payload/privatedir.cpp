#include "payload/privatedir.h"

#include <cstdio>
#include <cstring>

#include "payload/paths.h"

namespace {

enum { NAME_ATTEMPTS = 1000 };

// "<prefix><8 upper-case hex digits>", as MakePrivateDirectory names them.
bool IsPrivateDirectoryName(const char* prefix, const char* name)
{
    const size_t n = std::strlen(prefix);
    if (std::memcmp(name, prefix, n) != 0)
        return false;
    const char* hex = name + n;
    int digits = 0;
    for (; (hex[digits] >= '0' && hex[digits] <= '9') || (hex[digits] >= 'A' && hex[digits] <= 'F'); ++digits) {
    }
    return digits == 8 && hex[8] == '\0';
}

}  // namespace

bool MakePrivateDirectory(const char* prefix, SECURITY_ATTRIBUTES* security, char* dir, size_t cap)
{
    if (cap == 0)
        return false;
    dir[0] = '\0';
    char base[MAX_PATH];
    DWORD n = GetTempPathA(sizeof base, base);
    if (n == 0 || n >= sizeof base)
        return false;
    const char* slash = SeparatorAfter(base);
    DWORD seed = GetCurrentProcessId() * 65599u ^ GetTickCount();
    for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt, seed += 0x9E3779B9u) {
        int len = std::snprintf(dir, cap, "%s%s%s%08lX", base, slash, prefix, static_cast<unsigned long>(seed));
        // Room for a "\" and a file name is the caller's to check.
        if (len < 0 || static_cast<size_t>(len) >= cap) {
            dir[0] = '\0';
            return false;
        }
        if (CreateDirectoryA(dir, security))
            return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

void ForEachPrivateDirectory(const char* prefix, void (*visit)(char* dir, const char* name, void* context),
                             void* context)
{
    char base[MAX_PATH];
    DWORD n = GetTempPathA(sizeof base, base);
    char pattern[MAX_PATH + 16];
    if (n == 0 || n >= sizeof base ||
        std::snprintf(pattern, sizeof pattern, "%s%s%s*", base, SeparatorAfter(base), prefix) >=
            static_cast<int>(sizeof pattern))
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    // The temporary directory, for the names found (the pattern's last part is ASCII,
    // so its last 0x5C byte is a backslash).
    std::strrchr(pattern, '\\')[1] = '\0';
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsPrivateDirectoryName(prefix, found.cFileName))
            continue;
        char dir[MAX_PATH + 32];
        std::snprintf(dir, sizeof dir, "%s%s\\", pattern, found.cFileName);
        visit(dir, found.cFileName, context);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}
