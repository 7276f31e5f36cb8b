#include "runtime/dllsearch.h"

#include <windows.h>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

int NarrowDllSearch()
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
