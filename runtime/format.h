// The Installer's own printf formatting: small, bounded, the same on every
// Windows version. Pure logic: no platform headers.
//
// Understood: %d %i %u %o %x %X %c %s %p %% with the flags - + space # 0, a
// width and a precision (digits or *), and the length modifiers hh h l ll j z t
// (and I, I32, I64). Floating point and wide-character conversions are not
// formatted here: FormatNeedsPlatform tells the caller to hand such a format to
// the platform's formatter instead. %n stores nothing. A width or precision
// above FORMAT_FIELD_LIMIT is refused (result -1): no installer text needs one,
// and it keeps a stray format from writing gigabytes of padding.
#ifndef MARVANE_FORMAT_H
#define MARVANE_FORMAT_H

#include <stdarg.h>
#include <stddef.h>

enum { FORMAT_FIELD_LIMIT = 4096 };

// Where formatted characters go: buffer[0..capacity). When the buffer is full,
// flush (if any) is called to empty it; without flush, further characters are
// counted but dropped.
struct FormatOutput {
    char* buffer;
    size_t capacity;
    size_t used;   // characters now in buffer
    size_t total;  // characters produced in all
    void (*flush)(FormatOutput* out);
    void* context;  // for flush
};

// One argument of a table (tests): numbers read `number` cast to the type the
// conversion asks for; %s, %p and %n read `text`.
struct FormatValue {
    unsigned long long number;
    const char* text;
};

// The arguments: the caller's va_list, or (list null) a table; past the end of
// the table every number reads 0 and every text "".
struct FormatArgs {
    va_list* list;
    const FormatValue* values;
    size_t count;
    size_t next;
};

// Formats into out. Returns the number of characters produced, or -1 for a
// field above the limit or a total above INT_MAX.
int FormatWith(FormatOutput* out, const char* format, FormatArgs* args);

// vsnprintf as C99 has it: at most cap - 1 characters and a terminator (nothing
// at all when cap is 0); returns the length the whole text needs, or -1 (the
// text produced up to the fault is then kept, terminated).
int FormatText(char* dest, size_t cap, const char* format, va_list args);

// The same with table arguments.
int FormatTextFromTable(char* dest, size_t cap, const char* format, const FormatValue* values,
                        size_t count);

// True when the format holds a conversion this formatter leaves to the
// platform: floating point (a A e E f F g G, or the L modifier) or wide
// characters (%lc %ls %C %S).
bool FormatNeedsPlatform(const char* format);

#endif
