// The platform's LZ expansion library (LZ32.DLL), loaded at run time by its full
// path in the system directory. It is not one of the DLLs that Windows protects
// (KnownDLLs), so importing it would let a DLL of that name beside setup.exe (a
// downloads folder) be loaded in its place; and retail Windows 95's KERNEL32 does
// not export its functions, so the import could not be bound there either.
#ifndef MARVANE_LZLIB_H
#define MARVANE_LZLIB_H

#include <windows.h>

// The functions the copy uses; null while the library is not loaded.
extern INT(WINAPI* lzInit)(INT file);
extern LONG(WINAPI* lzCopy)(INT source, INT dest);
extern void(WINAPI* lzClose)(INT file);

// Loads the library and finds its functions; true when all three are there. Once
// loaded it stays until FreeLzLibrary, so calling this again costs nothing.
bool LoadLzLibrary();

// Frees the library (when loaded) and clears the functions.
void FreeLzLibrary();

// Tests only: load this file name from the system directory instead of LZ32.DLL
// (null restores it).
void LzLibraryUseNameForTesting(const char* fileName);

#endif
