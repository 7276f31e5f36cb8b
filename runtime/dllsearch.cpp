#include "runtime/dllsearch.h"

#include <cstdio>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

HMODULE LoadSystemLibrary(const char* name)
{
    char dir[MAX_PATH];
    UINT n = GetSystemDirectoryA(dir, sizeof dir);
    if (n == 0 || n >= sizeof dir)
        return nullptr;
    char path[MAX_PATH + 16];
    int len = std::snprintf(path, sizeof path, "%s\\%s", dir, name);
    if (len < 0 || static_cast<size_t>(len) >= sizeof path)
        return nullptr;
    return LoadLibraryA(path);
}

namespace {

int NarrowSearch()
{
    // kernel32 is mapped into every process, so asking for its handle loads nothing.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel)
        return 0;
    typedef BOOL(WINAPI * SetDefaultFn)(DWORD);
    typedef BOOL(WINAPI * SetDirectoryFn)(LPCSTR);
    SetDefaultFn setDefault = reinterpret_cast<SetDefaultFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return 2;
    // The empty text removes the current directory; the program's own directory
    // stays first in this search order, which is why the call above is preferred.
    SetDirectoryFn setDirectory =
        reinterpret_cast<SetDirectoryFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDirectory && setDirectory(""))
        return 1;
    return 0;
}

}  // namespace

int NarrowDllSearch()
{
    int how = NarrowSearch();
    LoadSystemLibrary("ole32.dll");  // kept for the life of the process
    return how;
}
