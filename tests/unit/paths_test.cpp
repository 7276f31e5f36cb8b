// Paths in the system's code page: the one test of "does it end in a backslash",
// the one join, and where each destination selector puts a row.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "payload/paths.h"

namespace {

// Code page 932: lead bytes 81-9F and E0-FC. 936, 949 and 950 share the trail
// bytes that matter here (0x5C among them).
struct LeadBytes932 {
    unsigned char table[LEAD_BYTE_VALUES] = {};
    LeadBytes932()
    {
        for (int b = 0x81; b <= 0x9F; ++b)
            table[b] = 1;
        for (int b = 0xE0; b <= 0xFC; ++b)
            table[b] = 1;
    }
};

// The process-wide table set to code page 932 for one test, and cleared again.
struct SystemCodePage932 {
    SystemCodePage932() { std::memcpy(leadBytes, LeadBytes932().table, sizeof leadBytes); }
    ~SystemCodePage932() { std::memset(leadBytes, 0, sizeof leadBytes); }
};

const char kHyou[] = "C:\\\x95\x5C";                     // C:\表, whose second byte is 0x5C
const char kSofuto[] = "C:\\\x83\x5C\x83\x74\x83\x67";  // C:\ソフト, the same in its first character

TEST(Paths, EndsInBackslashReadsCharactersNotBytes)
{
    const LeadBytes932 cp932;
    const unsigned char singleBytes[LEAD_BYTE_VALUES] = {};
    const struct {
        const char* path;
        bool in932;
        bool inSingleBytes;
        int last932;  // where the last backslash of its own is, -1 for none
    } cases[] = {
        {kHyou, false, true, 2},  // a Western code page reads "C:\•\"
        {kSofuto, false, false, 2},
        {"C:\\\x95\x5C\\", true, true, 5},
        {"C:\\\x95\x5C\\\x95\x5C", false, true, 5},  // C:\表\表: the parent is C:\表
        {"C:\\", true, true, 2},
        {"C:\\Marvane", false, false, 2},
        {"", false, false, -1},
        {"C:\\\x95", false, false, 2},      // a lead byte at the very end stands alone
        {"C:\\a\x95\\", false, true, 2},     // ...but takes a following 0x5C along
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EndsInBackslashWith(cp932.table, c.path), c.in932) << c.path;
        EXPECT_EQ(EndsInBackslashWith(singleBytes, c.path), c.inSingleBytes) << c.path;
        const char* last = LastBackslashWith(cp932.table, c.path);
        EXPECT_EQ(last ? last - c.path : -1, c.last932) << c.path;
    }
}

TEST(Paths, JoinAndTrailingBackslashInCodePage932)
{
    const SystemCodePage932 cp932;
    const struct {
        const char* dir;
        const char* name;
        size_t cap;
        bool ok;
        const char* path;
    } joins[] = {
        {"C:\\Marvane", "Marvane.hlp", 64, true, "C:\\Marvane\\Marvane.hlp"},
        {"C:\\", "Marvane.hlp", 64, true, "C:\\Marvane.hlp"},
        {"C:\\Program Files\\M", "a b.txt", 64, true, "C:\\Program Files\\M\\a b.txt"},
        {kHyou, "Marvane.exe", 64, true, "C:\\\x95\x5C\\Marvane.exe"},
        {kSofuto, "Marvane.exe", 64, true, "C:\\\x83\x5C\x83\x74\x83\x67\\Marvane.exe"},
        {"C:\\\x95\x5C\\", "up.wav", 64, true, "C:\\\x95\x5C\\up.wav"},
        {"C:\\M", "x.txt", 11, true, "C:\\M\\x.txt"},  // exactly fits
        {"C:\\M", "x.txt", 10, false, ""},
    };
    for (const auto& j : joins) {
        char dest[64];
        std::memset(dest, 'x', sizeof dest);
        EXPECT_EQ(JoinPath(dest, j.cap, j.dir, j.name), j.ok) << j.path;
        EXPECT_STREQ(dest, j.path);
    }

    const struct {
        const char* dir;
        const char* kept;
    } drops[] = {
        {"D:\\Apps\\Marvane\\", "D:\\Apps\\Marvane"},
        {"C:\\", "C:\\"},  // a drive's root keeps it
        {kHyou, kHyou},
        {"C:\\\x95\x5C\\", kHyou},
    };
    for (const auto& d : drops) {
        char dir[64];
        std::strcpy(dir, d.dir);
        DropTrailingBackslash(dir);
        EXPECT_STREQ(dir, d.kept) << d.dir;
    }

    // The picker's answer, a directory and the preset name: the directory stays.
    const struct {
        const char* path;
        const char* dir;
    } cuts[] = {
        {"C:\\Apps\\a", "C:\\Apps"},
        {"C:\\a", "C:\\"},  // a drive's root keeps its backslash: "C:" is a current directory
        {"C:\\\x95\x5C\\a", kHyou},
        {"C:\\\x95\x5C" "a", "C:\\"},  // the 0x5C inside the character is no separator
        {"a", "a"},
    };
    for (const auto& c : cuts) {
        char path[64];
        std::strcpy(path, c.path);
        CutFileName(path);
        EXPECT_STREQ(path, c.dir) << c.path;
    }
}

// One answer for the copy, the items, the record's size and both removals.
TEST(Paths, InstalledPathOfEachSelector)
{
    const InstallDirs dirs = {"C:\\Prog", "D:\\", "C:\\Web"};
    const struct {
        int destDir;
        const char* path;
    } rows[] = {
        {DIR_PROGRAM, "C:\\Prog\\up.wav"},
        {DIR_DATA, "D:\\up.wav"},
        {DIR_WEB, "C:\\Web\\up.wav"},
        {7, "C:\\Prog\\up.wav"},  // anything else is the program directory
    };
    for (const auto& r : rows) {
        PayloadFile row = {"WA", 1, "up.wav", "up.wav", 0, 0, "", r.destDir, 0};
        char path[64];
        EXPECT_TRUE(InstalledPath(path, sizeof path, row, dirs)) << r.destDir;
        EXPECT_STREQ(path, r.path) << r.destDir;
    }
}

}  // namespace
