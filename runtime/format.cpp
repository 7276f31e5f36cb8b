#include "runtime/format.h"

#include <limits.h>

namespace {

// Characters go into dest while there is room for them and the terminator; all
// of them are counted.
struct Sink {
    char* dest;
    size_t cap;
    size_t total;
};

void Put(Sink* sink, char c)
{
    if (sink->total + 1 < sink->cap)
        sink->dest[sink->total] = c;
    ++sink->total;
}

void Repeat(Sink* sink, char c, int n)
{
    for (; n > 0; --n)
        Put(sink, c);
}

int Finish(Sink* sink, bool ok)
{
    if (sink->cap)
        sink->dest[sink->total < sink->cap ? sink->total : sink->cap - 1] = '\0';
    return ok && sink->total <= static_cast<size_t>(INT_MAX) ? static_cast<int>(sink->total) : -1;
}

// Arguments come from the caller's list or, for the tests, from a table. Numbers
// are read at the width the directive names and handed on as unsigned long.
struct ListArgs {
    va_list* list;

    const char* Text() { return va_arg(*list, const char*); }
    unsigned long Number(bool isLong) { return isLong ? va_arg(*list, unsigned long) : va_arg(*list, unsigned); }
};

struct TableArgs {
    const FormatValue* values;
    size_t count;
    size_t next;

    const char* Text() { return next < count ? values[next++].text : ""; }
    unsigned long Number(bool isLong)
    {
        unsigned long long raw = next < count ? values[next++].number : 0;
        return isLong ? static_cast<unsigned long>(raw) : static_cast<unsigned>(raw);
    }
};

// One field: `length` characters of `text`, right-justified in the width.
void PutField(Sink* sink, const char* text, int length, int width, bool zeroPad)
{
    Repeat(sink, zeroPad ? '0' : ' ', width - length);
    for (int i = 0; i < length; ++i)
        Put(sink, text[i]);
}

template <class Args>
int Format(Sink* sink, const char* p, Args& args)
{
    while (*p) {
        if (*p != '%') {
            Put(sink, *p++);
            continue;
        }
        ++p;
        bool zeroPad = false;
        for (; *p == '0'; ++p)
            zeroPad = true;
        int width = 0;
        for (; *p >= '0' && *p <= '9'; ++p)
            if (width <= FORMAT_FIELD_LIMIT)
                width = width * 10 + (*p - '0');
        if (width > FORMAT_FIELD_LIMIT)
            return Finish(sink, false);
        bool isLong = *p == 'l';
        if (isLong)
            ++p;
        char conversion = *p ? *p++ : '\0';
        // l before s would mean wide characters: not these programs' texts.
        if (isLong && conversion == 's')
            return Finish(sink, false);
        // Digits are written backwards from the end: a 64-bit long in decimal
        // needs 20.
        char number[24];
        char* text = number + sizeof number;
        const char* field = text;
        int length = 0;
        switch (conversion) {
        case '%':
            Put(sink, '%');
            continue;
        case 's':
            field = args.Text();
            if (!field)
                field = "(null)";
            while (field[length])
                ++length;
            zeroPad = false;
            break;
        case 'u':
        case 'x':
        case 'X': {
            unsigned long value = args.Number(isLong);
            unsigned base = (conversion == 'x' || conversion == 'X') ? 16 : 10;
            // One digit set: "0"-"9" have the lower-case bit (0x20) already, and
            // setting it makes "A"-"F" "a"-"f".
            const char lowerCase = conversion == 'X' ? 0 : 0x20;
            do {
                *--text = static_cast<char>("0123456789ABCDEF"[value % base] | lowerCase);
                value /= base;
            } while (value);
            field = text;
            length = static_cast<int>(number + sizeof number - text);
            break;
        }
        default:
            return Finish(sink, false);
        }
        PutField(sink, field, length, width, zeroPad);
    }
    return Finish(sink, true);
}

}  // namespace

int FormatText(char* dest, size_t cap, const char* format, va_list args)
{
    Sink sink = {dest, cap, 0};
    va_list copy;
    va_copy(copy, args);
    ListArgs list = {&copy};
    int n = Format(&sink, format, list);
    va_end(copy);
    return n;
}

int FormatTextFromTable(char* dest, size_t cap, const char* format, const FormatValue* values, size_t count)
{
    Sink sink = {dest, cap, 0};
    TableArgs table = {values, count, 0};
    return Format(&sink, format, table);
}
