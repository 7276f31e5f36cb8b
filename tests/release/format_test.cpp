// The programs' own formatter: what C99's snprintf gives for every directive they
// use, bounded the same way, and a refusal for anything else.
#include <gtest/gtest.h>

#include <climits>
#include <cstdarg>
#include <cstring>
#include <string>

#include "runtime/format.h"

namespace {

int Format(char* dest, size_t cap, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = FormatText(dest, cap, format, args);
    va_end(args);
    return n;
}

struct NumberCase {
    const char* format;
    unsigned long long value;
    const char* text;
};

TEST(Format, DirectivesAsC99HasThem)
{
    const NumberCase cases[] = {
        {"%u", 0, "0"},
        {"%u", 4294967295u, "4294967295"},
        {"%5u", 42, "   42"},
        {"%05u", 42, "00042"},
        {"%08lX", 0x2a, "0000002A"},
        {"%08lX", 0x9E3779B9u, "9E3779B9"},
        {"%x", 0xBEEF, "beef"},
        {"%X", 0xBEEF, "BEEF"},
        {"%lu", 123456789, "123456789"},
        {"%2u", 12345, "12345"},  // a width is a minimum
        {"%u", 0x100000005ull, "5"},   // an unsigned is 32 bits
        {"100%%", 0, "100%"},
    };
    for (const NumberCase& c : cases) {
        char buffer[64];
        FormatValue v = {c.value, nullptr};
        EXPECT_EQ(FormatTextFromTable(buffer, sizeof buffer, c.format, &v, 1), static_cast<int>(strlen(c.text)))
            << c.format;
        EXPECT_STREQ(buffer, c.text) << c.format;
    }
    // Through the caller's argument list, with mixed types.
    char buffer[96];
    EXPECT_EQ(Format(buffer, sizeof buffer, "%s%sMVN%08lX|%u|%lu|%s", "C:\\TEMP", "\\", 0x1234ABCDUL, 10u, 7UL, "x"),
              26);
    EXPECT_STREQ(buffer, "C:\\TEMP\\MVN1234ABCD|10|7|x");
    EXPECT_EQ(Format(buffer, sizeof buffer, "%6s|%s", "ab", static_cast<const char*>(nullptr)), 13);
    EXPECT_STREQ(buffer, "    ab|(null)");
}

struct BoundCase {
    size_t cap;
    const char* text;
};

// At most cap - 1 characters and a terminator, nothing past them; the result is
// the length of the whole text, however long, so that callers see a cut.
TEST(Format, BoundsTerminatesAndReportsTheWholeLength)
{
    const BoundCase cases[] = {{1, ""}, {3, "C:"}, {12, "C:\\Marvane\\"}, {20, "C:\\Marvane\\setup.lo"},
                               {21, "C:\\Marvane\\setup.log"}, {40, "C:\\Marvane\\setup.log"}};
    for (const BoundCase& c : cases) {
        char buffer[48];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(Format(buffer, c.cap, "%s\\%s", "C:\\Marvane", "setup.log"), 20) << c.cap;
        EXPECT_STREQ(buffer, c.text) << c.cap;
        EXPECT_EQ(buffer[c.cap], '#') << c.cap;
    }
    char untouched = '#';
    EXPECT_EQ(Format(&untouched, 0, "%u files", 10u), 8);
    EXPECT_EQ(untouched, '#');
    EXPECT_EQ(Format(nullptr, 0, "%u files", 10u), 8);

    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(Format(buffer, 8, "ab%4000u", 1u), 4002);
    EXPECT_STREQ(buffer, "ab     ");
    EXPECT_EQ(buffer[8], '#');
}

// What the programs never use is refused rather than guessed at; what was
// formatted before the directive stays, terminated.
TEST(Format, RefusesWhatItDoesNotKnow)
{
    const char* const refused[] = {"ab%f", "ab%p", "ab%n", "ab%.3s", "ab%*u", "ab%+u", "ab% u", "ab%#x",
                                   "ab%-5u", "ab%d", "ab%c", "ab%llu", "ab%hu", "ab%zu", "ab%ls", "ab%",
                                   "ab%5", "ab%l", "ab%4097u"};
    for (const char* format : refused) {
        char buffer[16];
        FormatValue v = {1, "x"};
        EXPECT_EQ(FormatTextFromTable(buffer, sizeof buffer, format, &v, 1), -1) << format;
        EXPECT_STREQ(buffer, "ab") << format;
    }
    char buffer[8];
    FormatValue v = {7, nullptr};
    EXPECT_EQ(FormatTextFromTable(buffer, sizeof buffer, "%4096u", &v, 1), 4096);
}

// Past the end of a table every number is 0 and every text empty.
TEST(Format, TableRunsOutGently)
{
    char buffer[32];
    FormatValue v = {5, "five"};
    EXPECT_EQ(FormatTextFromTable(buffer, sizeof buffer, "%u %s %u %s|", &v, 1), 6);
    EXPECT_STREQ(buffer, "5  0 |");
}

}  // namespace
