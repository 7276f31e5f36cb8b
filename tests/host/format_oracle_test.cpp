// The Installer's formatter against the C library's own, conversion by
// conversion, over every combination of flags, width, precision and length that
// C defines for them (host only: the reference is glibc's snprintf).
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
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

int failures = 0;

template <typename T>
void Compare(const std::string& format, T value)
{
    char expected[128], actual[128];
    int e = std::snprintf(expected, sizeof expected, format.c_str(), value);
    int a = Ours(actual, sizeof actual, format.c_str(), value);
    if (e != a || std::string(expected) != actual) {
        if (++failures <= 20)
            ADD_FAILURE() << format << ": C library [" << expected << "] " << e << ", ours [" << actual << "] " << a;
    }
}

std::vector<std::string> Directives(const char* flagSet, const std::vector<std::string>& lengths, bool withPrecision)
{
    std::vector<std::string> directives;
    std::string flags(flagSet);
    for (unsigned mask = 0; mask < (1u << flags.size()); ++mask) {
        std::string f;
        for (size_t i = 0; i < flags.size(); ++i)
            if (mask & (1u << i))
                f += flags[i];
        for (const char* width : {"", "1", "6", "23"})
            for (const char* precision : {"", ".", ".0", ".1", ".4", ".21"}) {
                if (!withPrecision && *precision)
                    continue;
                for (const std::string& length : lengths)
                    directives.push_back("%" + f + width + precision + length);
            }
    }
    return directives;
}

const long long kSigned[] = {0, 1, -1, 7, -42, 100, 255, 256, -32768, 32767, 65535, INT_MAX, INT_MIN,
                             4294967295LL, 1LL << 40, -(1LL << 40), LLONG_MAX, LLONG_MIN};

TEST(FormatOracle, Integers)
{
    failures = 0;
    const std::vector<std::string> lengths = {"", "hh", "h", "l", "ll", "j", "z", "t"};
    for (const std::string& directive : Directives("-+ #0", lengths, true)) {
        size_t lengthAt = directive.find_first_not_of("%-+ #0123456789.");
        std::string length = lengthAt == std::string::npos ? "" : directive.substr(lengthAt);
        for (char conversion : std::string("diouxX")) {
            std::string format = "[" + directive + conversion + "]";
            bool isSigned = conversion == 'd' || conversion == 'i';
            for (long long v : kSigned) {
                if (length == "l")
                    isSigned ? Compare(format, static_cast<long>(v)) : Compare(format, static_cast<unsigned long>(v));
                else if (length == "ll")
                    isSigned ? Compare(format, v) : Compare(format, static_cast<unsigned long long>(v));
                else if (length == "j")
                    isSigned ? Compare(format, static_cast<intmax_t>(v)) : Compare(format, static_cast<uintmax_t>(v));
                else if (length == "z" || length == "t")
                    isSigned ? Compare(format, static_cast<ptrdiff_t>(v)) : Compare(format, static_cast<size_t>(v));
                else
                    isSigned ? Compare(format, static_cast<int>(v)) : Compare(format, static_cast<unsigned>(v));
            }
        }
    }
    EXPECT_EQ(failures, 0);
}

TEST(FormatOracle, TextAndCharacters)
{
    failures = 0;
    for (const std::string& directive : Directives("-", {""}, true))
        for (const char* text : {"", "a", "abc", "a longer text than most widths"})
            Compare("[" + directive + "s]", text);
    for (const std::string& directive : Directives("-", {""}, false))
        for (int c : {0x61, 0x20, 0xE9})
            Compare("[" + directive + "c]", c);
    EXPECT_EQ(failures, 0);
}

TEST(FormatOracle, Pointers)
{
    failures = 0;
    int object = 0;
    for (const std::string& directive : Directives("-", {""}, false)) {
        Compare("[" + directive + "p]", static_cast<void*>(&object));
        Compare("[" + directive + "p]", static_cast<void*>(nullptr));
        Compare("[" + directive + "p]", reinterpret_cast<void*>(static_cast<uintptr_t>(0xABC)));
    }
    EXPECT_EQ(failures, 0);
}

// Truncation at every capacity gives the C library's prefix and the same result.
TEST(FormatOracle, EveryCapacity)
{
    const char* format = "%-6s|%+05d|%#x|%.3s|%c";
    for (size_t cap = 0; cap <= 40; ++cap) {
        char expected[48] = "untouched", actual[48] = "untouched";
        int e = std::snprintf(cap ? expected : nullptr, cap, format, "ab", 42, 255, "wxyz", 'q');
        int a = Ours(cap ? actual : nullptr, cap, format, "ab", 42, 255, "wxyz", 'q');
        EXPECT_EQ(a, e) << cap;
        EXPECT_STREQ(actual, expected) << cap;
    }
}

}  // namespace
