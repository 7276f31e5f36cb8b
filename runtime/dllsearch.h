// Where the loader looks for DLLs that are loaded by name at run time.
#ifndef MARVANE_DLLSEARCH_H
#define MARVANE_DLLSEARCH_H

// Takes the program's own directory (and the current directory) out of the search
// for DLLs loaded later by name, by this program or by the system's DLLs on its
// behalf: a program run from a downloads folder must not load a DLL that somebody
// left there. Uses SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) where
// kernel32 has it (Windows 8, and 7 with its update), else SetDllDirectoryA("")
// (XP SP1 and later), both looked up at run time; older systems have neither and
// still start. Returns 2, 1 or 0 for which of the three it was.
int NarrowDllSearch();

#endif
