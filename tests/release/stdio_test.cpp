// The printf family as setup.exe has it: this program links runtime/'s versions in
// place of the toolchain's, as setup.exe does, so msvcrt formats with C99's bounds.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "support/winhelp.h"

namespace {

// msvcrt only says that a text did not fit; the whole length is still returned,
// however far past the buffer it goes.
TEST(Stdio, SnprintfReturnsTheWholeLengthOfACutText)
{
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(std::snprintf(buffer, 8, "ab%5000d", 1), 5002);
    EXPECT_STREQ(buffer, "ab     ");
    EXPECT_EQ(buffer[8], '#');
    EXPECT_EQ(std::snprintf(buffer, sizeof buffer, "%s|%08lX", "MVN", 0x2aUL), 12);
    EXPECT_STREQ(buffer, "MVN|0000002A");
}

struct BoundCase {
    size_t cap;
    const char* text;
};

TEST(Stdio, SnprintfBoundsAndTerminates)
{
    const BoundCase cases[] = {{1, ""}, {3, "C:"}, {12, "C:\\Marvane\\"}, {40, "C:\\Marvane\\setup.log"}};
    for (const BoundCase& c : cases) {
        char buffer[48];
        std::memset(buffer, '#', sizeof buffer);
        int n = std::snprintf(buffer, c.cap, "%s\\%s", "C:\\Marvane", "setup.log");
        EXPECT_EQ(n, 20) << c.cap;
        EXPECT_STREQ(buffer, c.text) << c.cap;
        EXPECT_EQ(buffer[c.cap], '#') << c.cap;
    }
    EXPECT_EQ(std::snprintf(nullptr, 0, "%u files", 10u), 8);
}

// Floating point works too, bounded all the same.
TEST(Stdio, FloatingPointGoesToThePlatform)
{
    char buffer[32];
    EXPECT_EQ(std::snprintf(buffer, sizeof buffer, "%.2f|%d|%s", 3.14159, 7, "x"), 8);
    EXPECT_STREQ(buffer, "3.14|7|x");
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(std::snprintf(buffer, 4, "%.3f", 2.5), 5);
    EXPECT_STREQ(buffer, "2.5");
    EXPECT_EQ(buffer[4], '#');
}

TEST(Stdio, FprintfWritesEverythingInTextMode)
{
    std::string path = FreshDir("stdio") + "\\out.txt";
    std::string big(1000, 'x');
    big[0] = 'a';
    big[999] = 'z';
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::fprintf(f, "%s\n%d|", big.c_str(), 5), 1003);
    EXPECT_EQ(std::fprintf(f, "%.1f", 1.5), 3);
    std::fclose(f);
    EXPECT_EQ(ReadFileBytes(path), big + "\r\n5|1.5");
}

}  // namespace
