#include "payload/lzlib.h"

#include "runtime/dllsearch.h"

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
    library = LoadSystemLibrary(libraryName);
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
