// The printf family of setup.exe. The C++ headers route snprintf, fprintf and
// friends to the toolchain's own C99 formatter, which brings some 25 KB of
// floating-point code into a program that never prints a number with a
// fraction. These definitions take their place at link time: the Installer's
// bounded formatter does the work, and the platform's formatter (msvcrt) the
// rare format with a floating-point or wide-character conversion.
//
// This file alone sees the platform's declarations (msvcrt), not the C++
// headers' view, so it names the platform's functions directly. Nothing may be
// included before <stdio.h>.
#define __USE_MINGW_ANSI_STDIO 0
#include <stdio.h>
#include <limits.h>
#include <stdlib.h>

#include "runtime/format.h"

namespace {

// The platform's formatter with C99's result. msvcrt's _vsnprintf only says that
// the text did not fit (-1, or exactly cap without a terminator); the length it
// needs is then found by formatting into larger heap blocks until one holds it.
int PlatformFormat(char* dest, size_t cap, const char* format, va_list args)
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

struct StreamSink {
    FILE* stream;
    bool failed;
};

void FlushToStream(FormatOutput* out)
{
    StreamSink* sink = static_cast<StreamSink*>(out->context);
    if (out->used && fwrite(out->buffer, 1, out->used, sink->stream) != out->used)
        sink->failed = true;
    out->used = 0;
}

}  // namespace

int __cdecl __mingw_vsnprintf(char* dest, size_t cap, const char* format, va_list args)
{
    if (FormatNeedsPlatform(format))
        return PlatformFormat(dest, cap, format, args);
    return FormatText(dest, cap, format, args);
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
    if (FormatNeedsPlatform(format))
        return vsprintf(dest, format, args);
    return FormatText(dest, static_cast<size_t>(-1), format, args);
}

int __cdecl __mingw_sprintf(char* dest, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = __mingw_vsprintf(dest, format, args);
    va_end(args);
    return n;
}

int __cdecl __mingw_vfprintf(FILE* stream, const char* format, va_list args)
{
    if (FormatNeedsPlatform(format))
        return vfprintf(stream, format, args);
    char chunk[256];
    StreamSink sink = {stream, false};
    va_list copy;
    va_copy(copy, args);
    FormatArgs a = {&copy, nullptr, 0, 0};
    FormatOutput out = {chunk, sizeof chunk, 0, 0, FlushToStream, &sink};
    int n = FormatWith(&out, format, &a);
    va_end(copy);
    FlushToStream(&out);
    return sink.failed ? -1 : n;
}

int __cdecl __mingw_fprintf(FILE* stream, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = __mingw_vfprintf(stream, format, args);
    va_end(args);
    return n;
}
