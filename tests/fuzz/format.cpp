// The programs' formatter against the host's C library, and on any text at all.
//
// The first byte picks the capacity. Then, as long as input lasts, a byte chooses
// either a literal character or a directive of the understood set (flags, width,
// conversion and a value from the following bytes); the host's snprintf formats
// each directive alone, so the whole expected text is their concatenation. The
// same input is also used unchanged as a format, which must never crash, never
// write past the capacity, and be cut or refused by the rules of the header.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/format.h"

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at;
    bool More() const { return at < size; }
    uint8_t Byte() { return at < size ? data[at++] : 0; }
    uint32_t Word()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | Byte();
        return v;
    }
};

std::string HostFormat(const char* directive, char conversion, bool isLong, uint32_t raw, const char* text)
{
    char out[8192];
    int n;
    if (conversion == 's')
        n = std::snprintf(out, sizeof out, directive, text);
    else if (isLong)
        n = std::snprintf(out, sizeof out, directive, static_cast<unsigned long>(raw));
    else
        n = std::snprintf(out, sizeof out, directive, static_cast<unsigned>(raw));
    if (n < 0 || static_cast<size_t>(n) >= sizeof out)
        std::abort();
    return std::string(out, static_cast<size_t>(n));
}

void CheckCut(const char* format, const FormatValue* values, size_t count, const std::string& whole)
{
    for (size_t cap : {size_t{0}, size_t{1}, whole.size() / 2 + 1, whole.size(), whole.size() + 1}) {
        std::vector<char> buffer(cap + 8, '#');
        int n = FormatTextFromTable(buffer.data(), cap, format, values, count);
        if (n != static_cast<int>(whole.size()))
            std::abort();
        if (cap > 0) {
            size_t kept = whole.size() < cap ? whole.size() : cap - 1;
            if (std::memcmp(buffer.data(), whole.data(), kept) != 0 || buffer[kept] != '\0')
                std::abort();
        }
        for (size_t i = cap; i < buffer.size(); ++i)
            if (buffer[i] != '#')
                std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Any text as a format: bounded, terminated, the rules kept.
    {
        std::string format(reinterpret_cast<const char*>(data), size);
        FormatValue values[4] = {{0x7F, "alpha"}, {0xFFFFFFFFull, ""}, {0, "z"}, {12345, nullptr}};
        size_t cap = size ? data[0] % 64 : 0;
        std::vector<char> buffer(cap + 8, '#');
        int n = FormatTextFromTable(buffer.data(), cap, format.c_str(), values, 4);
        if (cap > 0 && std::memchr(buffer.data(), '\0', cap) == nullptr)
            std::abort();
        for (size_t i = cap; i < buffer.size(); ++i)
            if (buffer[i] != '#')
                std::abort();
        if (n >= 0 && cap > 0 && buffer[static_cast<size_t>(n) < cap ? static_cast<size_t>(n) : cap - 1] != '\0')
            std::abort();
    }

    // A format of the understood set against the host's formatter.
    Reader in = {data, size, 0};
    std::string format, expected;
    std::vector<FormatValue> values;
    std::vector<std::string> texts;
    texts.reserve(size);
    while (in.More() && values.size() < 64) {
        uint8_t pick = in.Byte();
        if (pick < 96) {
            char c = static_cast<char>(' ' + pick % 94);
            if (c == '%') {
                format += "%%";
            } else {
                format += c;
            }
            expected += c;
            continue;
        }
        static const char kConversions[] = "suxX";
        char conversion = kConversions[pick % 4];
        bool isLong = (pick & 8) && conversion != 's';
        std::string directive = "%";
        uint8_t flags = in.Byte();
        if ((flags & 2) && conversion != 's')
            directive += '0';
        if (flags & 4)
            directive += std::to_string(in.Byte() % 40);
        if (isLong)
            directive += 'l';
        directive += conversion;
        uint32_t raw = in.Word();
        texts.push_back(std::string(in.Byte() % 12, static_cast<char>('a' + raw % 26)));
        FormatValue v = {raw, texts.back().c_str()};
        values.push_back(v);
        format += directive;
        expected += HostFormat(directive.c_str(), conversion, isLong, raw, texts.back().c_str());
    }
    CheckCut(format.c_str(), values.data(), values.size(), expected);
    return 0;
}
