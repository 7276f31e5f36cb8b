// The Installer's formatter: any format with table arguments at every kind of
// capacity, and single conversions against the C library's formatter.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/format.h"

#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"

namespace {

int Ours(char* dest, size_t cap, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = FormatText(dest, cap, format, args);
    va_end(args);
    return n;
}

uint64_t Take(const uint8_t*& data, size_t& size, size_t bytes)
{
    uint64_t v = 0;
    for (size_t i = 0; i < bytes && size > 0; ++i, --size)
        v = v << 8 | *data++;
    return v;
}

// Any format, arguments from the input. Whatever the capacity, the result is
// the same and the text is the same prefix, terminated.
void AnyFormat(const uint8_t* data, size_t size)
{
    size_t cap = static_cast<size_t>(Take(data, size, 1));
    const uint8_t* end = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    size_t formatLength = end ? static_cast<size_t>(end - data) : size;
    std::string format(reinterpret_cast<const char*>(data), formatLength);
    data += formatLength;
    size -= formatLength;
    static const char* const texts[] = {"", "text", nullptr, "a longer piece of text"};
    std::vector<FormatValue> values;
    while (size > 0 && values.size() < 32) {
        uint64_t n = Take(data, size, 8);
        values.push_back({n, texts[n % 4]});
    }
    FormatNeedsPlatform(format.c_str());

    std::vector<char> big(8192), small(cap + 1, '#');
    int whole = FormatTextFromTable(big.data(), big.size(), format.c_str(), values.data(), values.size());
    int cut = FormatTextFromTable(cap ? small.data() : nullptr, cap, format.c_str(), values.data(), values.size());
    if (whole != cut || whole < -1)
        std::abort();
    if (cap == 0)
        return;
    if (small[cap] != '#')
        std::abort();  // wrote past the capacity
    size_t kept = 0;
    while (kept < cap && small[kept] != '\0')
        ++kept;
    if (kept == cap)
        std::abort();  // not terminated
    if (whole >= 0 && static_cast<size_t>(whole) < cap && kept > static_cast<size_t>(whole))
        std::abort();
    if (std::memcmp(small.data(), big.data(), kept) != 0)
        std::abort();
}

// One conversion with flags, width, precision and length from the input, against
// the C library. Only what C defines is compared.
void OneConversion(const uint8_t* data, size_t size)
{
    uint64_t shape = Take(data, size, 4);
    uint64_t value = Take(data, size, 8);
    static const char conversions[] = "diouxXcsp";
    static const char* const lengths[] = {"", "hh", "h", "l", "ll", "j", "z", "t"};
    char conversion = conversions[shape % 9];
    shape /= 9;
    std::string directive = "%";
    for (const char* flag = "-+ #0"; *flag; ++flag, shape >>= 1)
        if (shape & 1)
            directive += *flag;
    if (shape & 1)
        directive += std::to_string((shape >> 1) % 40);
    shape >>= 7;
    bool precision = shape & 1;
    if (precision)
        directive += "." + std::to_string((shape >> 1) % 40);
    shape >>= 7;
    const char* length = lengths[shape % 8];
    bool integer = std::strchr("diouxX", conversion) != nullptr;
    // Flags and lengths C leaves undefined for the conversion are not compared.
    if (!integer) {
        if (directive.find_first_of("+ #0") != std::string::npos)
            return;
        length = "";
        if ((conversion == 'c' || conversion == 'p') && precision)
            return;
    }
    std::string format = "[" + directive + length + conversion + "]";
    char expected[128], actual[128];
    int e, a;
    bool isSigned = conversion == 'd' || conversion == 'i';
    std::string l = length;
    if (conversion == 's') {
        static const char* const texts[] = {"", "x", "some text", "a text longer than forty characters, to be cut"};
        e = std::snprintf(expected, sizeof expected, format.c_str(), texts[value % 4]);
        a = Ours(actual, sizeof actual, format.c_str(), texts[value % 4]);
    } else if (conversion == 'p') {
        void* p = reinterpret_cast<void*>(static_cast<uintptr_t>(value));
        e = std::snprintf(expected, sizeof expected, format.c_str(), p);
        a = Ours(actual, sizeof actual, format.c_str(), p);
    } else if (l == "l") {
        e = isSigned ? std::snprintf(expected, sizeof expected, format.c_str(), static_cast<long>(value))
                     : std::snprintf(expected, sizeof expected, format.c_str(), static_cast<unsigned long>(value));
        a = isSigned ? Ours(actual, sizeof actual, format.c_str(), static_cast<long>(value))
                     : Ours(actual, sizeof actual, format.c_str(), static_cast<unsigned long>(value));
    } else if (l == "ll" || l == "j" || l == "z" || l == "t") {
        e = std::snprintf(expected, sizeof expected, format.c_str(), static_cast<unsigned long long>(value));
        a = Ours(actual, sizeof actual, format.c_str(), static_cast<unsigned long long>(value));
    } else {
        e = std::snprintf(expected, sizeof expected, format.c_str(), static_cast<unsigned>(value));
        a = Ours(actual, sizeof actual, format.c_str(), static_cast<unsigned>(value));
    }
    if (e != a || std::memcmp(expected, actual, e >= 0 && e < 128 ? static_cast<size_t>(e) + 1 : sizeof expected) != 0) {
        std::fprintf(stderr, "%s: C library [%s] %d, ours [%s] %d\n", format.c_str(), expected, e, actual, a);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    if (data[0] & 1)
        AnyFormat(data + 1, size - 1);
    else
        OneConversion(data + 1, size - 1);
    return 0;
}
