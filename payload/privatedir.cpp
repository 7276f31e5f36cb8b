#include "payload/privatedir.h"

#include <cstdio>

namespace {

enum { NAME_ATTEMPTS = 1000 };

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
    const char* slash = (base[n - 1] == '\\') ? "" : "\\";
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
