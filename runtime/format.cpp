#include "runtime/format.h"

#include <limits.h>
#include <stdint.h>

namespace {

enum {
    FLAG_LEFT = 1,
    FLAG_PLUS = 2,
    FLAG_SPACE = 4,
    FLAG_ALT = 8,
    FLAG_ZERO = 16,
};

enum Length { LEN_NONE, LEN_HH, LEN_H, LEN_L, LEN_LL, LEN_J, LEN_Z, LEN_T, LEN_LONG_DOUBLE };

struct Directive {
    unsigned flags;
    int width;      // -1: none
    int precision;  // -1: none
    int length;
    char conversion;  // 0: the format ended inside the directive
};

void Put(FormatOutput* out, char c)
{
    if (out->used >= out->capacity && out->flush)
        out->flush(out);
    if (out->used < out->capacity)
        out->buffer[out->used++] = c;
    out->total++;
}

void PutRun(FormatOutput* out, const char* text, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        Put(out, text[i]);
}

void Repeat(FormatOutput* out, char c, int n)
{
    for (; n > 0; --n)
        Put(out, c);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads decimal digits; false when the number exceeds the field limit (the
// digits are consumed all the same).
bool ReadNumber(const char** p, int* value)
{
    int v = 0;
    for (; IsDigit(**p); ++*p)
        if (v <= FORMAT_FIELD_LIMIT)
            v = v * 10 + (**p - '0');
    *value = v;
    return v <= FORMAT_FIELD_LIMIT;
}

// ---- Arguments -----------------------------------------------------------------

const FormatValue* NextValue(FormatArgs* a)
{
    return a->next < a->count ? &a->values[a->next++] : nullptr;
}

int NextInt(FormatArgs* a)
{
    if (a->list)
        return va_arg(*a->list, int);
    const FormatValue* v = NextValue(a);
    return v ? static_cast<int>(v->number) : 0;
}

const void* NextPointer(FormatArgs* a)
{
    if (a->list)
        return va_arg(*a->list, const void*);
    const FormatValue* v = NextValue(a);
    return v ? v->text : "";
}

// The argument of an integer conversion, read at its promoted width.
unsigned long long NextNumber(FormatArgs* a, int length, bool isSigned)
{
    if (!a->list) {
        const FormatValue* v = NextValue(a);
        return v ? v->number : 0;
    }
    va_list& list = *a->list;
    switch (length) {
    case LEN_L:
        if (isSigned)
            return static_cast<unsigned long long>(static_cast<long long>(va_arg(list, long)));
        return va_arg(list, unsigned long);
    case LEN_LL:
        return va_arg(list, unsigned long long);
    case LEN_J:
        return va_arg(list, uintmax_t);
    case LEN_Z:
    case LEN_T:
        if (isSigned)
            return static_cast<unsigned long long>(static_cast<long long>(va_arg(list, ptrdiff_t)));
        return va_arg(list, size_t);
    default:
        if (isSigned)
            return static_cast<unsigned long long>(static_cast<long long>(va_arg(list, int)));
        return va_arg(list, unsigned);
    }
}

long long AsSigned(unsigned long long raw, int length)
{
    switch (length) {
    case LEN_HH: return static_cast<signed char>(raw);
    case LEN_H: return static_cast<short>(raw);
    case LEN_NONE: return static_cast<int>(raw);
    case LEN_L: return static_cast<long>(raw);
    case LEN_Z:
    case LEN_T: return static_cast<ptrdiff_t>(raw);
    default: return static_cast<long long>(raw);
    }
}

unsigned long long AsUnsigned(unsigned long long raw, int length)
{
    switch (length) {
    case LEN_HH: return static_cast<unsigned char>(raw);
    case LEN_H: return static_cast<unsigned short>(raw);
    case LEN_NONE: return static_cast<unsigned>(raw);
    case LEN_L: return static_cast<unsigned long>(raw);
    case LEN_Z:
    case LEN_T: return static_cast<size_t>(raw);
    default: return raw;
    }
}

// Consumes the argument of a conversion that is not formatted here.
void SkipArgument(FormatArgs* a, const Directive& s)
{
    switch (s.conversion) {
    case 'a': case 'A': case 'e': case 'E': case 'f': case 'F': case 'g': case 'G':
        if (!a->list)
            NextValue(a);
        else if (s.length == LEN_LONG_DOUBLE)
            (void)va_arg(*a->list, long double);
        else
            (void)va_arg(*a->list, double);
        break;
    case 'c': case 'C':
        NextInt(a);  // a wide character arrives promoted to int
        break;
    case 's': case 'S':
        NextPointer(a);
        break;
    }
}

// ---- Directives ---------------------------------------------------------------

// Parses the directive after a '%'; *p ends after its conversion character.
// Stars take their values from args (none when args is null). False when a field
// exceeds the limit.
bool ParseDirective(const char** p, Directive* s, FormatArgs* args)
{
    s->flags = 0;
    s->width = -1;
    s->precision = -1;
    s->length = LEN_NONE;
    bool ok = true;
    for (;; ++*p) {
        char c = **p;
        if (c == '-') s->flags |= FLAG_LEFT;
        else if (c == '+') s->flags |= FLAG_PLUS;
        else if (c == ' ') s->flags |= FLAG_SPACE;
        else if (c == '#') s->flags |= FLAG_ALT;
        else if (c == '0') s->flags |= FLAG_ZERO;
        else break;
    }
    if (**p == '*') {
        ++*p;
        if (args) {
            int w = NextInt(args);
            if (w < -FORMAT_FIELD_LIMIT || w > FORMAT_FIELD_LIMIT)
                ok = false;
            else if (w < 0) {
                s->flags |= FLAG_LEFT;
                s->width = -w;
            } else {
                s->width = w;
            }
        }
    } else if (IsDigit(**p)) {
        ok = ReadNumber(p, &s->width) && ok;
    }
    if (**p == '.') {
        ++*p;
        if (**p == '*') {
            ++*p;
            if (args) {
                int v = NextInt(args);
                if (v > FORMAT_FIELD_LIMIT)
                    ok = false;
                s->precision = v < 0 ? -1 : v;
            }
        } else {
            ok = ReadNumber(p, &s->precision) && ok;
        }
    }
    switch (**p) {
    case 'h':
        ++*p;
        s->length = LEN_H;
        if (**p == 'h') {
            ++*p;
            s->length = LEN_HH;
        }
        break;
    case 'l':
        ++*p;
        s->length = LEN_L;
        if (**p == 'l') {
            ++*p;
            s->length = LEN_LL;
        }
        break;
    case 'j': ++*p; s->length = LEN_J; break;
    case 'z': ++*p; s->length = LEN_Z; break;
    case 't': ++*p; s->length = LEN_T; break;
    case 'L': ++*p; s->length = LEN_LONG_DOUBLE; break;
    case 'I':
        // The platform's own sizes: I64, I32, and I alone for size_t.
        ++*p;
        if ((*p)[0] == '6' && (*p)[1] == '4') {
            *p += 2;
            s->length = LEN_LL;
        } else if ((*p)[0] == '3' && (*p)[1] == '2') {
            *p += 2;
        } else {
            s->length = LEN_Z;
        }
        break;
    }
    s->conversion = **p;
    if (s->conversion)
        ++*p;
    return ok;
}

bool NeedsPlatform(const Directive& s)
{
    switch (s.conversion) {
    case 'a': case 'A': case 'e': case 'E': case 'f': case 'F': case 'g': case 'G':
    case 'C': case 'S':
        return true;
    case 'c': case 's':
        return s.length == LEN_L;
    default:
        return s.length == LEN_LONG_DOUBLE;
    }
}

// ---- Conversions ---------------------------------------------------------------

void PutPadded(FormatOutput* out, const Directive& s, const char* text, size_t n)
{
    int pad = s.width > static_cast<int>(n) ? s.width - static_cast<int>(n) : 0;
    if (!(s.flags & FLAG_LEFT))
        Repeat(out, ' ', pad);
    PutRun(out, text, n);
    if (s.flags & FLAG_LEFT)
        Repeat(out, ' ', pad);
}

// Divides *v by a base of at most 16 and returns the remainder, in 32-bit steps:
// a 32-bit program would otherwise bring in the compiler's 64-bit division.
unsigned DivideSmall(unsigned long long* v, unsigned base)
{
    uint32_t hi = static_cast<uint32_t>(*v >> 32);
    uint32_t lo = static_cast<uint32_t>(*v);
    uint32_t qhi = hi / base;
    uint32_t mid = (hi % base) << 16 | lo >> 16;  // the remainder is below 16: no overflow
    uint32_t qmid = mid / base;
    uint32_t low = (mid % base) << 16 | (lo & 0xFFFF);
    *v = static_cast<unsigned long long>(qhi) << 32 | (qmid << 16 | low / base);
    return low % base;
}

void PutInteger(FormatOutput* out, const Directive& s, unsigned long long magnitude, bool negative)
{
    const char* set = s.conversion == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    unsigned base = s.conversion == 'o' ? 8 : (s.conversion == 'x' || s.conversion == 'X' || s.conversion == 'p') ? 16 : 10;
    bool isSigned = s.conversion == 'd' || s.conversion == 'i';

    char digits[24];  // reversed; 22 octal digits hold 64 bits
    int n = 0;
    for (unsigned long long v = magnitude; v;)
        digits[n++] = set[DivideSmall(&v, base)];

    int precision = s.precision < 0 ? 1 : s.precision;
    int zeros = precision > n ? precision - n : 0;
    if (s.conversion == 'o' && (s.flags & FLAG_ALT) && zeros == 0)
        zeros = 1;  // the alternative form starts with a 0

    char prefix[2];
    int prefixLen = 0;
    if (negative)
        prefix[prefixLen++] = '-';
    else if (isSigned && (s.flags & FLAG_PLUS))
        prefix[prefixLen++] = '+';
    else if (isSigned && (s.flags & FLAG_SPACE))
        prefix[prefixLen++] = ' ';
    if (magnitude != 0 &&
        (s.conversion == 'p' || ((s.conversion == 'x' || s.conversion == 'X') && (s.flags & FLAG_ALT)))) {
        prefix[prefixLen++] = '0';
        prefix[prefixLen++] = s.conversion == 'X' ? 'X' : 'x';
    }

    int body = prefixLen + zeros + n;
    if ((s.flags & FLAG_ZERO) && !(s.flags & FLAG_LEFT) && s.precision < 0 && s.width > body) {
        zeros += s.width - body;
        body = s.width;
    }
    int pad = s.width > body ? s.width - body : 0;
    if (!(s.flags & FLAG_LEFT))
        Repeat(out, ' ', pad);
    PutRun(out, prefix, static_cast<size_t>(prefixLen));
    Repeat(out, '0', zeros);
    while (n > 0)
        Put(out, digits[--n]);
    if (s.flags & FLAG_LEFT)
        Repeat(out, ' ', pad);
}

void PutString(FormatOutput* out, const Directive& s, const char* text)
{
    if (!text)
        text = "(null)";
    size_t n = 0;
    size_t limit = s.precision < 0 ? static_cast<size_t>(-1) : static_cast<size_t>(s.precision);
    while (n < limit && text[n])
        ++n;
    PutPadded(out, s, text, n);
}

}  // namespace

int FormatWith(FormatOutput* out, const char* format, FormatArgs* args)
{
    const char* p = format;
    while (*p) {
        if (*p != '%') {
            Put(out, *p++);
            continue;
        }
        const char* start = p++;
        Directive s;
        if (!ParseDirective(&p, &s, args))
            return -1;
        switch (s.conversion) {
        case 'd':
        case 'i': {
            long long v = AsSigned(NextNumber(args, s.length, true), s.length);
            unsigned long long magnitude = v < 0 ? 0ULL - static_cast<unsigned long long>(v)
                                                 : static_cast<unsigned long long>(v);
            PutInteger(out, s, magnitude, v < 0);
            break;
        }
        case 'u':
        case 'o':
        case 'x':
        case 'X':
            PutInteger(out, s, AsUnsigned(NextNumber(args, s.length, false), s.length), false);
            break;
        case 'c':
            if (s.length == LEN_L) {
                SkipArgument(args, s);
                PutRun(out, start, static_cast<size_t>(p - start));
            } else {
                char c = static_cast<char>(NextInt(args));
                PutPadded(out, s, &c, 1);
            }
            break;
        case 's':
            if (s.length == LEN_L) {
                SkipArgument(args, s);
                PutRun(out, start, static_cast<size_t>(p - start));
            } else {
                PutString(out, s, static_cast<const char*>(NextPointer(args)));
            }
            break;
        case 'p': {
            const void* ptr = NextPointer(args);
            if (ptr) {
                s.flags &= ~(FLAG_PLUS | FLAG_SPACE);
                PutInteger(out, s, reinterpret_cast<uintptr_t>(ptr), false);
            } else {
                s.precision = -1;
                PutString(out, s, "(nil)");
            }
            break;
        }
        case 'n':
            NextPointer(args);  // writing through a format's pointer is never wanted here
            break;
        case '%':
            Put(out, '%');
            break;
        default:
            // Not formatted here: consume the argument to keep the rest in step
            // and show the directive as written.
            SkipArgument(args, s);
            PutRun(out, start, static_cast<size_t>(p - start));
            break;
        }
    }
    return out->total > static_cast<size_t>(INT_MAX) ? -1 : static_cast<int>(out->total);
}

int FormatText(char* dest, size_t cap, const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    FormatArgs a = {&copy, nullptr, 0, 0};
    FormatOutput out = {dest, cap ? cap - 1 : 0, 0, 0, nullptr, nullptr};
    int n = FormatWith(&out, format, &a);
    va_end(copy);
    if (cap)
        dest[out.used] = '\0';
    return n;
}

int FormatTextFromTable(char* dest, size_t cap, const char* format, const FormatValue* values,
                        size_t count)
{
    FormatArgs a = {nullptr, values, count, 0};
    FormatOutput out = {dest, cap ? cap - 1 : 0, 0, 0, nullptr, nullptr};
    int n = FormatWith(&out, format, &a);
    if (cap)
        dest[out.used] = '\0';
    return n;
}

bool FormatNeedsPlatform(const char* format)
{
    for (const char* p = format; *p;) {
        if (*p++ != '%')
            continue;
        Directive s;
        ParseDirective(&p, &s, nullptr);
        if (NeedsPlatform(s))
            return true;
    }
    return false;
}
