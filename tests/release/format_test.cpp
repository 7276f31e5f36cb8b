#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "runtime/format.h"

namespace {

std::string Format(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    int n = FormatText(buffer, sizeof buffer, format, args);
    va_end(args);
    return n < 0 ? "<error>" : std::string(buffer, static_cast<size_t>(n));
}

// Real arguments of every width, through the va_list path.
TEST(Format, ConversionsWithRealArguments)
{
    EXPECT_EQ(Format("%d|%i|%u", 42, -42, 42u), "42|-42|42");
    EXPECT_EQ(Format("%d", INT_MIN), "-2147483648");
    EXPECT_EQ(Format("%u", UINT_MAX), "4294967295");
    EXPECT_EQ(Format("%5d|%-5d|%05d|%+d|% d", 42, 42, 42, 5, 5), "   42|42   |00042|+5| 5");
    EXPECT_EQ(Format("%.3d|%.0d|%5.0d|%08.3d", 7, 0, 0, -5), "007||     |    -005");
    EXPECT_EQ(Format("%x %X %#x %#X %#o %o", 255, 255, 255, 255, 8, 8), "ff FF 0xff 0XFF 010 10");
    EXPECT_EQ(Format("%#x|%#o|%#.0o|%.0x", 0, 0, 0, 0), "0|0|0|");
    EXPECT_EQ(Format("%#08x|%-#8x|", 255, 255), "0x0000ff|0xff    |");
    EXPECT_EQ(Format("%hhd %hhu %hd %hu", 255, 256 + 65, 65535, 65536 + 7), "-1 65 -1 7");
    EXPECT_EQ(Format("%ld %lu", -70000L, 70000UL), "-70000 70000");
    EXPECT_EQ(Format("%lld", LLONG_MIN), "-9223372036854775808");
    EXPECT_EQ(Format("%llu %llx %llo", ULLONG_MAX, ULLONG_MAX, ULLONG_MAX),
              "18446744073709551615 ffffffffffffffff 1777777777777777777777");
    EXPECT_EQ(Format("%I64d %I64u", -5LL, 1ULL << 40), "-5 1099511627776");
    EXPECT_EQ(Format("%I32d %Iu", -5, static_cast<size_t>(77)), "-5 77");
    EXPECT_EQ(Format("%zu %zd %td %jd", static_cast<size_t>(3000000000u), static_cast<ptrdiff_t>(-3),
                     static_cast<ptrdiff_t>(-4), static_cast<intmax_t>(-5)),
              "3000000000 -3 -4 -5");
    EXPECT_EQ(Format("%c%c|%3c|%-3c|", 'a', 'b', 'x', 'y'), "ab|  x|y  |");
    EXPECT_EQ(Format("%s|%.2s|%5.1s|%-5s|", "abc", "abc", "abc", "ab"), "abc|ab|    a|ab   |");
    EXPECT_EQ(Format("%s|%.3s", static_cast<const char*>(nullptr), static_cast<const char*>(nullptr)),
              "(null)|(nu");
    EXPECT_EQ(Format("%*d|%-*d|%*d|%.*s|%.*d", 4, 7, 4, 7, -4, 7, 2, "abcd", -1, 7), "   7|7   |7   |ab|7");
    EXPECT_EQ(Format("100%% of %s", "it"), "100% of it");
    EXPECT_EQ(Format("%p|%5p", static_cast<void*>(nullptr), static_cast<void*>(nullptr)), "(nil)|(nil)");
    EXPECT_EQ(Format("%p", reinterpret_cast<void*>(static_cast<uintptr_t>(0x1234abcd))), "0x1234abcd");
}

// A precision limits how much of a string is read, so an unterminated array is safe.
TEST(Format, PrecisionReadsNoFurtherThanItSays)
{
    const char unterminated[3] = {'x', 'y', 'z'};
    EXPECT_EQ(Format("%.3s", unterminated), "xyz");
    EXPECT_EQ(Format("%.*s", 2, unterminated), "xy");
}

// What is not formatted here consumes its argument and shows as written, so the
// arguments after it stay in step.
TEST(Format, UnhandledConversionsKeepLaterArgumentsInStep)
{
    EXPECT_EQ(Format("%f|%d", 1.5, 7), "%f|7");
    EXPECT_EQ(Format("%Lg|%s", static_cast<long double>(2), "x"), "%Lg|x");
    EXPECT_EQ(Format("%ls|%d", L"w", 8), "%ls|8");
    EXPECT_EQ(Format("%lc|%d", 65, 9), "%lc|9");
    EXPECT_EQ(Format("%y|%d", 3), "%y|3");
    EXPECT_EQ(Format("abc%"), "abc%");
    EXPECT_EQ(Format("%-5"), "%-5");
    int count = 99;
    EXPECT_EQ(Format("ab%ncd|%d", &count, 4), "abcd|4");
    EXPECT_EQ(count, 99) << "%n must not store";
}

struct BoundCase {
    size_t cap;
    const char* text;  // what the buffer holds afterwards
};

TEST(Format, BoundedLikeC99)
{
    const BoundCase cases[] = {{1, ""}, {2, "a"}, {4, "abc"}, {7, "abcdef"}, {8, "abcdef"}};
    for (const BoundCase& c : cases) {
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        FormatValue v = {0, "def"};
        int n = FormatTextFromTable(buffer, c.cap, "abc%s", &v, 1);
        EXPECT_EQ(n, 6) << "cap " << c.cap;
        EXPECT_STREQ(buffer, c.text) << "cap " << c.cap;
        for (size_t i = c.cap; i < sizeof buffer; ++i)
            EXPECT_EQ(buffer[i], '#') << "cap " << c.cap << " wrote at " << i;
    }
    char untouched = '#';
    EXPECT_EQ(FormatTextFromTable(&untouched, 0, "abc", nullptr, 0), 3);
    EXPECT_EQ(untouched, '#');
    EXPECT_EQ(FormatTextFromTable(nullptr, 0, "%d", nullptr, 0), 1) << "a null buffer with no room";
}

struct LimitCase {
    const char* format;
    long long number;
    int result;
};

// Fields up to the limit are produced; above it the call fails, keeping what came
// before the faulty field, terminated.
TEST(Format, FieldLimit)
{
    const LimitCase cases[] = {
        {"ab%4096d", 1, 4098},
        {"ab%4097d", 1, -1},
        {"ab%.4097d", 1, -1},
        {"ab%99999999999999999999d", 1, -1},
        {"ab%*d", 4097, -1},
        {"ab%*d", -4097, -1},
        {"ab%*d", INT_MIN, -1},
        {"ab%.*d", 4097, -1},
        {"ab%.*d", INT_MIN, 3},  // a negative precision counts as none
    };
    for (const LimitCase& c : cases) {
        char buffer[16];
        FormatValue v[2] = {{static_cast<unsigned long long>(c.number), nullptr}, {1, nullptr}};
        EXPECT_EQ(FormatTextFromTable(buffer, sizeof buffer, c.format, v, 2), c.result) << c.format;
        EXPECT_EQ(std::string(buffer, 2), "ab") << c.format;
        EXPECT_LE(std::strlen(buffer), sizeof buffer - 1) << c.format;
    }
}

TEST(Format, TableArgumentsRunOut)
{
    char buffer[64];
    FormatValue v = {5, "x"};
    EXPECT_EQ(FormatTextFromTable(buffer, sizeof buffer, "%d %d %s|%s|", &v, 1), 6);
    EXPECT_STREQ(buffer, "5 0 ||");
}

struct Collected {
    std::string text;
    int flushes = 0;
};

void Collect(FormatOutput* out)
{
    Collected* c = static_cast<Collected*>(out->context);
    c->text.append(out->buffer, out->used);
    c->flushes++;
    out->used = 0;
}

// A flushing output sees every character once, in order, however small its buffer.
TEST(Format, FlushingOutput)
{
    for (size_t capacity : {1u, 3u, 64u}) {
        char chunk[64];
        Collected c;
        FormatOutput out = {chunk, capacity, 0, 0, Collect, &c};
        FormatValue v[2] = {{12345, nullptr}, {0, "-world-"}};
        FormatArgs args = {nullptr, v, 2, 0};
        int n = FormatWith(&out, "hello %08d%s!", &args);
        Collect(&out);
        EXPECT_EQ(n, 22);
        EXPECT_EQ(c.text, "hello 00012345-world-!") << "capacity " << capacity;
    }
}

struct PlatformCase {
    const char* format;
    bool needsPlatform;
};

TEST(Format, WhatNeedsThePlatform)
{
    const PlatformCase cases[] = {
        {"plain %d %s %x %p %%", false},
        {"%f", true},
        {"%.2f", true},
        {"%10.3e", true},
        {"%G", true},
        {"%a", true},
        {"%Lf", true},
        {"%ls", true},
        {"%lc", true},
        {"%S", true},
        {"%C", true},
        {"%lld %zu %hhx", false},
        {"%%f", false},  // a literal percent sign, then an f
        {"%*.*s then %5.1f", true},
        {"ends with %", false},
        {"", false},
    };
    for (const PlatformCase& c : cases)
        EXPECT_EQ(FormatNeedsPlatform(c.format), c.needsPlatform) << c.format;
}

}  // namespace
