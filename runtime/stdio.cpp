// The printf family of the Installer's programs: the C++ headers route snprintf
// and vsnprintf to these names (the toolchain's C99 formatter, which brings some
// 25 KB of floating point, and needs msvcrt.dll). Here they go to the programs' own
// small formatter. Nothing may be included before <stdio.h>.
#define __USE_MINGW_ANSI_STDIO 0
#include <stdio.h>
#include <stdarg.h>

#include "runtime/format.h"

extern "C" {

int __cdecl __mingw_vsnprintf(char* dest, size_t cap, const char* format, va_list args)
{
    return FormatText(dest, cap, format, args);
}

int __cdecl __mingw_snprintf(char* dest, size_t cap, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = FormatText(dest, cap, format, args);
    va_end(args);
    return n;
}

}  // extern "C"
