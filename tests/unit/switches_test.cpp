#include <gtest/gtest.h>

#include "startup/switches.h"

namespace {

struct SwitchCase {
    const char* commandLine;
    int install, remove, quiet, log;  // after the quiet-install rule
};

// The switch search is a case-sensitive substring test, in a fixed order.
const SwitchCase kCases[] = {
    {"", 0, 0, 0, 0},
    {"-i", 1, 0, 0, 0},
    {"-r", 0, 1, 0, 0},
    {"-i -r", 1, 0, 0, 0},
    {"-r -i", 1, 0, 0, 0},               // "-i" is tested first wherever it stands
    {"-install", 1, 0, 0, 0},            // counts as "-i", not quiet
    {"-q", 1, 0, 1, 0},                  // quiet without -r installs
    {"-s", 1, 0, 1, 0},
    {"-r -s", 0, 1, 1, 0},
    {"-r -q -l", 0, 1, 1, 1},
    {"-l", 0, 0, 0, 1},
    {"-installqu -l", 1, 0, 1, 0},       // no further switch is examined
    {"-l -installsi", 1, 0, 1, 0},
    {"-installqu -r", 1, 0, 1, 0},
    {"-I", 0, 0, 0, 0},                  // case matters
    {"/i /q /l", 0, 0, 0, 0},            // only the hyphen form counts
    {"-rsl", 0, 1, 0, 0},                // "-s" and "-l" need their own hyphen
    {"x-ly", 0, 0, 0, 1},                // inside a longer word
    {"-i-q-l", 1, 0, 1, 1},              // no separators needed
};

TEST(Switches, TableOfCommandLines)
{
    for (const SwitchCase& c : kCases) {
        SwitchFlags f = ParseSwitches(c.commandLine);
        ApplyQuietInstall(&f);
        EXPECT_EQ(f.installRequested, c.install) << '"' << c.commandLine << '"';
        EXPECT_EQ(f.removeRequested, c.remove) << '"' << c.commandLine << '"';
        EXPECT_EQ(f.quietMode, c.quiet) << '"' << c.commandLine << '"';
        EXPECT_EQ(f.logEnabled, c.log) << '"' << c.commandLine << '"';
    }
}

TEST(Switches, NullCommandLineSetsNothing)
{
    SwitchFlags f = ParseSwitches(nullptr);
    EXPECT_EQ(f.installRequested | f.removeRequested | f.quietMode | f.logEnabled, 0);
}

TEST(Switches, QuietInstallRuleIsSeparate)
{
    // The table alone leaves a quiet run undecided; start-up applies the rule later.
    SwitchFlags f = ParseSwitches("-q");
    EXPECT_EQ(f.installRequested, 0);
    ApplyQuietInstall(&f);
    EXPECT_EQ(f.installRequested, 1);
}

}  // namespace
