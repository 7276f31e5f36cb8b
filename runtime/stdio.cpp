// The printf family of the Installer's programs. The C++ headers route snprintf,
// fprintf and friends to the toolchain's own C99 formatter, which brings some
// 25 KB of code (most of it for floating point) into a program that only ever
// formats "%s", "%u" and "%08lX". These definitions take its place at link time
// and hand every format to the formatter the platform already has (msvcrt.dll),
// which costs the program nothing; only C99's bounds and result are added here.
//
// This file alone sees the platform's declarations (msvcrt), not the C++
// headers' view, so it names the platform's functions directly. Nothing may be
// included before <stdio.h>.
#define __USE_MINGW_ANSI_STDIO 0
#include <stdio.h>
#include <limits.h>
#include <stdarg.h>
#include <stdlib.h>

// vsnprintf as C99 has it: at most cap - 1 characters and a terminator (nothing at
// all when cap is 0); returns the length the whole text needs, or -1. msvcrt's
// _vsnprintf only says that the text did not fit (-1, or exactly cap without a
// terminator); the length it needs is then found by formatting into larger heap
// blocks until one holds it. No text of the Installer gets there unless it is cut.
int __cdecl __mingw_vsnprintf(char* dest, size_t cap, const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int n = _vsnprintf(dest, cap, format, copy);
    va_end(copy);
    if (n >= 0 && static_cast<size_t>(n) < cap)
        return n;
    if (cap)
        dest[cap - 1] = '\0';
    for (size_t size = 256; size <= static_cast<size_t>(INT_MAX); size *= 2) {
        if (size <= cap)
            continue;
        char* block = static_cast<char*>(malloc(size));
        if (!block)
            return -1;
        va_copy(copy, args);
        n = _vsnprintf(block, size, format, copy);
        va_end(copy);
        free(block);
        if (n >= 0 && static_cast<size_t>(n) < size)
            return n;
    }
    return -1;
}

int __cdecl __mingw_snprintf(char* dest, size_t cap, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = __mingw_vsnprintf(dest, cap, format, args);
    va_end(args);
    return n;
}

// Unbounded by definition; the Installer's code does not use it.
int __cdecl __mingw_vsprintf(char* dest, const char* format, va_list args)
{
    return vsprintf(dest, format, args);
}

int __cdecl __mingw_sprintf(char* dest, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = vsprintf(dest, format, args);
    va_end(args);
    return n;
}

int __cdecl __mingw_vfprintf(FILE* stream, const char* format, va_list args)
{
    return vfprintf(stream, format, args);
}

int __cdecl __mingw_fprintf(FILE* stream, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = vfprintf(stream, format, args);
    va_end(args);
    return n;
}
