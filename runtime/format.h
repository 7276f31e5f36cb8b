// Bounded printf-style formatting for the Installer's programs, which carry no C
// run-time DLL (retail Windows 95 has none). Pure logic: no platform headers.
//
// Understood: the directives the programs use, and what C99 does with each:
// %% %s %u %x %X, the flag '0' (pad with zeros), a width in digits, and the
// length modifier l. Anything else (%d, %c, precision, '*', other flags and
// modifiers, floating point, %p, %n) is refused: the result
// is -1, so a format this formatter does not know is never half understood. A
// width above FORMAT_FIELD_LIMIT is refused too: no text of the programs needs
// one, and a stray format must not count gigabytes of padding.
#ifndef MARVANE_FORMAT_H
#define MARVANE_FORMAT_H

#include <stdarg.h>
#include <stddef.h>

enum { FORMAT_FIELD_LIMIT = 4096 };

// vsnprintf as C99 has it: writes at most cap - 1 characters and a terminator
// (nothing at all when cap is 0) and returns the length the whole text needs.
// On -1 (a refused directive, or a text longer than INT_MAX) dest holds what was
// formatted before the fault, terminated.
int FormatText(char* dest, size_t cap, const char* format, va_list args);

// One argument for FormatTextFromTable: numbers are read from `number` narrowed
// to the type the directive names (unsigned, or unsigned long with l, as va_arg
// reads them); %s reads `text`.
struct FormatValue {
    unsigned long long number;
    const char* text;
};

// The same with the arguments taken from a table (tests and fuzzing). Past the
// table's end every number reads 0 and every text "".
int FormatTextFromTable(char* dest, size_t cap, const char* format, const FormatValue* values, size_t count);

#endif
