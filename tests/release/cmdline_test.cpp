#include <gtest/gtest.h>

#include "runtime/cmdline.h"

namespace {

struct CommandLineCase {
    const char* commandLine;
    const char* arguments;
};

// The switches are substrings, so whatever of the program name is left over
// would count: "dir-i" must not become "-i".
const CommandLineCase kCases[] = {
    {"setup.exe -i", "-i"},
    {"\"C:\\Program Files\\setup.exe\" -q -l", "-q -l"},
    {"C:\\dir-i\\setup.exe", ""},
    {"C:\\dir-l\\setup.exe -s", "-s"},
    {"\"C:\\a -r b\\setup.exe\"", ""},
    {"setup.exe", ""},
    {"", ""},
    {"setup.exe    -r  ", "-r  "},         // blanks after the name go, trailing ones stay
    {"setup.exe\t-s", "-s"},
    {"setup.exe\r\n-s", "-s"},             // any control character is a blank
    {"C:\\x\"y -i z\"\\setup.exe -l", "-l"},  // quotes may open inside the name
    {"\"unterminated -i", ""},             // an open quote runs to the end
    {"\"\" -i", "-i"},                     // an empty quoted name
    {"C:\\\xDC" "bung\\setup.exe -i", "-i"},  // characters above 127 belong to the name
    {"\xA0-i", ""},
    {"   -i", "-i"},                       // no name at all before the blanks
};

TEST(CommandLine, SkipProgramName)
{
    for (const CommandLineCase& c : kCases)
        EXPECT_STREQ(SkipProgramName(c.commandLine), c.arguments) << '[' << c.commandLine << ']';
}

TEST(CommandLine, ResultPointsIntoTheText)
{
    const char* text = "setup.exe -i";
    EXPECT_EQ(SkipProgramName(text), text + 10);
    EXPECT_STREQ(SkipProgramName(nullptr), "");
}

}  // namespace
