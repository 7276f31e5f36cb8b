#include "payload/lzlib.h"

#include <cstdio>

INT(WINAPI* lzInit)(INT file);
LONG(WINAPI* lzCopy)(INT source, INT dest);
void(WINAPI* lzClose)(INT file);

namespace {

const char kLibraryName[] = "LZ32.DLL";
const char* libraryName = kLibraryName;
HMODULE library;

template <class Fn>
bool Find(Fn* fn, const char* name)
{
    *fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return *fn != nullptr;
}

}  // namespace

bool LoadLzLibrary()
{
    if (library)
        return true;
    char dir[MAX_PATH];
    UINT n = GetSystemDirectoryA(dir, sizeof dir);
    if (n == 0 || n >= sizeof dir)
        return false;
    char path[MAX_PATH + 16];
    int len = std::snprintf(path, sizeof path, "%s\\%s", dir, libraryName);
    if (len < 0 || static_cast<size_t>(len) >= sizeof path)
        return false;
    library = LoadLibraryA(path);
    if (!library)
        return false;
    if (Find(&lzInit, "LZInit") && Find(&lzCopy, "LZCopy") && Find(&lzClose, "LZClose"))
        return true;
    FreeLzLibrary();
    return false;
}

void FreeLzLibrary()
{
    if (library)
        FreeLibrary(library);
    library = nullptr;
    lzInit = nullptr;
    lzCopy = nullptr;
    lzClose = nullptr;
}

void LzLibraryUseNameForTesting(const char* fileName)
{
    libraryName = fileName ? fileName : kLibraryName;
}
