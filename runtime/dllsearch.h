// Where the loader looks for DLLs that are loaded by name at run time.
#ifndef MARVANE_DLLSEARCH_H
#define MARVANE_DLLSEARCH_H

#include <windows.h>

// Takes the program's own directory (and the current directory) out of the search
// for DLLs loaded later by name, by this program or by the system's DLLs on its
// behalf: a program run from a downloads folder must not load a DLL that somebody
// left there. Uses SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) where
// kernel32 has it (Windows 8, and 7 with its update), else SetDllDirectoryA("")
// (XP SP1 and later), both looked up at run time; older systems have neither and
// still start. Returns 2, 1 or 0 for which of the three it was.
//
// Then loads ole32 from the system directory: some system DLLs load it by name
// on a path of their own that ignores the narrowed search (Wine's imm32, when the
// first window is made, delay-loads it from the program's directory first). With
// the system's copy loaded, the name is taken.
int NarrowDllSearch();

// Loads the DLL `name` from the system directory by its full path; null when it
// is not there or the path does not fit.
HMODULE LoadSystemLibrary(const char* name);

#endif
