// The remover's command line: split at the switches, not at blanks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "product/removetext.h"

namespace {

struct ParseCase {
    const char* what;
    std::string line;
    bool valid;
    const char* programDir;
    const char* dataDir;
    const char* group;
    int quiet;
    unsigned long waitHandle;
    unsigned long outcomeHandle = 0;
};

const std::string k255 = "C:\\" + std::string(252, 'p');
const std::string k256 = "C:\\" + std::string(253, 'p');
const std::string kGroup255(255, 'g');

const ParseCase kCases[] = {
    {"as recorded by default", "C:\\Marvane\\remove.exe -f C:\\Marvane -d C:\\Marvane -g Marvane", true,
     "C:\\Marvane", "C:\\Marvane", "Marvane", 0, 0},
    {"blanks in all three, quoted program path",
     "\"C:\\Program Files\\Marvane\\remove.exe\" -f C:\\Program Files\\Marvane -d D:\\My Data -g Marvane Tools", true,
     "C:\\Program Files\\Marvane", "D:\\My Data", "Marvane Tools", 0, 0},
    {"unquoted program path with blanks",
     "C:\\Program Files\\Marvane\\remove.exe -f C:\\Program Files\\Marvane -d C:\\Program Files\\Marvane -g My Group",
     true, "C:\\Program Files\\Marvane", "C:\\Program Files\\Marvane", "My Group", 0, 0},
    {"quoted path holding a switch", "\"C:\\x -f y -d z -g w\\remove.exe\" -f C:\\M -d C:\\D -g G", true, "C:\\M",
     "C:\\D", "G", 0, 0},
    {"quiet -q", "remove.exe -q -f C:\\M -d C:\\D -g Marvane", true, "C:\\M", "C:\\D", "Marvane", 1, 0},
    {"quiet -s", "remove.exe -s -f C:\\M -d C:\\D -g Marvane", true, "C:\\M", "C:\\D", "Marvane", 1, 0},
    {"working copy", "\"C:\\Temp\\MVR1\\remove.exe\" -w 1234 -o 88 -q -f C:\\A B -d C:\\C D -g E F", true,
     "C:\\A B", "C:\\C D", "E F", 1, 1234, 88},
    {"outcome pipe before the wait", "remove.exe -o 7 -w 9 -f C:\\M -d C:\\D -g G", true, "C:\\M", "C:\\D", "G", 0, 9,
     7},
    {"outcome without a number", "remove.exe -o x -f C:\\M -d C:\\D -g G", true, "C:\\M", "C:\\D", "G", 0, 0, 0},
    {"wait without a number", "remove.exe -w -f C:\\M -d C:\\D -g G", true, "C:\\M", "C:\\D", "G", 0, 0},
    {"extra blanks, tabs and trailing backslashes", "remove.exe  -f \t C:\\Marvane\\   -d  C:\\Data\\  -g  Marvane  ",
     true, "C:\\Marvane", "C:\\Data", "Marvane", 0, 0},
    {"a drive's root keeps its backslash", "remove.exe -f C:\\ -d D:\\ -g G", true, "C:\\", "D:\\", "G", 0, 0},
    {"empty group", "remove.exe -f C:\\M -d C:\\D -g", true, "C:\\M", "C:\\D", "", 0, 0},
    {"empty data directory", "remove.exe -f C:\\M -d -g G", true, "C:\\M", "", "G", 0, 0},
    {"network share", "remove.exe -f \\\\server\\share\\M -d \\\\server\\share\\D -g G", true,
     "\\\\server\\share\\M", "\\\\server\\share\\D", "G", 0, 0},
    {"a dash inside a word is no switch", "remove.exe -f C:\\a-d\\x -d C:\\y-g -g G-f", true, "C:\\a-d\\x",
     "C:\\y-g", "G-f", 0, 0},
    {"the first -g ends the data directory", "remove.exe -f C:\\x -d C:\\y -g one -g two", true, "C:\\x", "C:\\y",
     "one -g two", 0, 0},
    {"longest values", "remove.exe -f " + k255 + " -d " + k255 + " -g " + kGroup255, true, k255.c_str(),
     k255.c_str(), kGroup255.c_str(), 0, 0},
    // Refused.
    {"program directory too long", "remove.exe -f " + k256 + " -d C:\\D -g G", false, "", "", "", 0, 0},
    {"group too long", "remove.exe -q -f C:\\M -d C:\\D -g " + std::string(256, 'g'), false, "", "", "", 1, 0},
    {"no switches", "remove.exe", false, "", "", "", 0, 0},
    {"empty", "", false, "", "", "", 0, 0},
    {"no -g", "remove.exe -q -f C:\\M -d C:\\D", false, "", "", "", 1, 0},
    {"no -d", "remove.exe -f C:\\M -g G", false, "", "", "", 0, 0},
    {"switches out of order", "remove.exe -d C:\\D -f C:\\M -g G", false, "", "", "", 0, 0},
    {"relative program directory", "remove.exe -f Marvane -d C:\\D -g G", false, "", "", "", 0, 0},
    {"empty program directory", "remove.exe -f -d C:\\D -g G", false, "", "", "", 0, 0},
    {"switches are lower case", "remove.exe -F C:\\M -D C:\\D -G G", false, "", "", "", 0, 0},
};

TEST(RemoverArgs, Parse)
{
    for (const ParseCase& c : kCases) {
        SCOPED_TRACE(c.what);
        RemoverArgs args;
        std::memset(&args, 'x', sizeof args);
        EXPECT_EQ(ParseRemoverCommandLine(c.line.c_str(), &args), c.valid);
        EXPECT_EQ(args.quiet, c.quiet);
        EXPECT_EQ(args.waitHandle, c.waitHandle);
        EXPECT_EQ(args.outcomeHandle, c.outcomeHandle);
        if (c.valid) {
            EXPECT_STREQ(args.programDir, c.programDir);
            EXPECT_STREQ(args.dataDir, c.dataDir);
            EXPECT_STREQ(args.group, c.group);
        }
    }
    RemoverArgs args;
    EXPECT_FALSE(ParseRemoverCommandLine(nullptr, &args));
}

// What the original hands its working copy reads back the same.
TEST(RemoverArgs, WorkingCopyLineReadsBack)
{
    for (const ParseCase& c : kCases) {
        if (!c.valid)
            continue;
        SCOPED_TRACE(c.what);
        RemoverArgs args;
        ASSERT_TRUE(ParseRemoverCommandLine(c.line.c_str(), &args));
        char line[REMOVER_LINE_CHARS];
        const char* copy = "C:\\users\\me\\Temp\\MVR0000ABCD\\remove.exe";
        ASSERT_TRUE(ComposeWorkingCopyLine(line, sizeof line, copy, 4321, 4294967295ul, args));
        EXPECT_EQ(std::string(line).find(std::string("\"") + copy + "\" -w 4321 -o 4294967295 "), 0u) << line;
        RemoverArgs back;
        ASSERT_TRUE(ParseRemoverCommandLine(line, &back)) << line;
        EXPECT_STREQ(back.programDir, args.programDir);
        EXPECT_STREQ(back.dataDir, args.dataDir);
        EXPECT_STREQ(back.group, args.group);
        EXPECT_EQ(back.quiet, args.quiet);
        EXPECT_EQ(back.waitHandle, 4321ul);
        EXPECT_EQ(back.outcomeHandle, 4294967295ul);
    }
    // Too small a buffer gives nothing rather than a cut line.
    RemoverArgs args;
    ASSERT_TRUE(ParseRemoverCommandLine(kCases[0].line.c_str(), &args));
    char small[40];
    EXPECT_FALSE(ComposeWorkingCopyLine(small, sizeof small, "C:\\T\\remove.exe", 1, 2, args));
    EXPECT_STREQ(small, "");
}

// WININIT.INI is edited as text: the new line goes to the end of [rename], every
// other byte (other programs' entries, other sections, odd line ends) stays.
TEST(RemoverText, WininitDeletionKeepsEverythingElse)
{
    const char* const path = "C:\\WINDOWS\\TEMP\\MVR1A2~1\\REMOVE.EXE";
    const std::string line = std::string("NUL=") + path + "\r\n";
    const struct {
        const char* name;
        std::string before, after;
    } cases[] = {
        {"no file yet", "", "[rename]\r\n" + line},
        {"other sections only", "[CombineVxDs]\r\nx=1\r\n", "[CombineVxDs]\r\nx=1\r\n[rename]\r\n" + line},
        {"last line without its end", "[CombineVxDs]\r\nx=1", "[CombineVxDs]\r\nx=1\r\n[rename]\r\n" + line},
        {"an entry of another program", "[rename]\r\nNUL=C:\\OTHER.TMP\r\n",
         "[rename]\r\nNUL=C:\\OTHER.TMP\r\n" + line},
        {"section followed by another", "[Rename]\r\nNUL=C:\\A.TMP\r\n[Other]\r\ny=2\r\n",
         "[Rename]\r\nNUL=C:\\A.TMP\r\n" + line + "[Other]\r\ny=2\r\n"},
        {"header with blanks, bare line feeds", " [RENAME] \nNUL=C:\\B.TMP\n", " [RENAME] \nNUL=C:\\B.TMP\n" + line},
        {"section at the end without a line end", "[rename]\r\nNUL=C:\\C.TMP", "[rename]\r\nNUL=C:\\C.TMP\r\n" + line},
        {"a look-alike is no header", "[renamed]\r\n", "[renamed]\r\n[rename]\r\n" + line},
    };
    for (const auto& c : cases) {
        char dest[256];
        size_t n = AddWininitDeletion(dest, sizeof dest, c.before.data(), c.before.size(), path);
        EXPECT_EQ(std::string(dest, n), c.after) << c.name;
        EXPECT_EQ(dest[n], '\0') << c.name;
    }
    // Too small for the result: nothing, and an empty text.
    const std::string before = "[rename]\r\n";
    const size_t whole = before.size() + line.size();
    char dest[128];
    EXPECT_EQ(AddWininitDeletion(dest, whole + 1, before.data(), before.size(), path), whole);
    std::memset(dest, 'x', sizeof dest);
    EXPECT_EQ(AddWininitDeletion(dest, whole, before.data(), before.size(), path), 0u);
    EXPECT_STREQ(dest, "");
}

}  // namespace
