// setup.exe's own entry point, as a process: the arguments it hands on are what
// follows the program name, however that name is written. Switches are found
// anywhere in that text, so a name left in it would count: a folder "dir-i"
// would turn a quiet removal into a quiet installation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "startup/exitcodes.h"
#include "support/winhelp.h"

namespace {

// Copies setup.exe into dir\folder and returns the copy's path.
std::string PlaceSetup(const std::string& dir, const std::string& folder)
{
    std::string target = dir + "\\" + folder;
    CreateDirectoryA(target.c_str(), nullptr);
    std::string exe = target + "\\setup.exe";
    EXPECT_TRUE(CopyFileA(SetupExe().c_str(), exe.c_str(), FALSE)) << exe;
    return exe;
}

// Runs exe with exactly this command line (the program name as written in it).
int RunWithCommandLine(const std::string& exe, const std::string& commandLine, const std::string& cwd)
{
    Started started = StartWithCommandLine(exe.c_str(), commandLine, cwd);
    return WaitExit(started, 60000);  // -998 when it did not start
}

struct NameCase {
    const char* folder;
    bool quoted;
};

// A quiet removal with nothing on record ends with exit code 1 and leaves no
// program folder and no log; had the program name's "-i" or "-l" counted, a quiet
// installation would have run, with a log.
TEST(Entry, ArgumentsStartAfterTheProgramName)
{
    const NameCase cases[] = {
        {"dir-i-l", false},
        {"with -i -l blanks", true},
    };
    for (const NameCase& c : cases) {
        std::string dir = FreshDir(std::string("entry-") + (c.quoted ? "quoted" : "plain"));
        std::string exe = PlaceSetup(dir, c.folder);
        std::string name = c.quoted ? "\"" + exe + "\"" : exe;
        EXPECT_EQ(RunWithCommandLine(exe, name + "   -r -q", dir), EXIT_NOTHING_TO_REMOVE) << name;
        EXPECT_FALSE(DirExists("C:\\Marvane")) << name;
        EXPECT_FALSE(FileExists(dir + "\\setup.log")) << name;
    }
}

}  // namespace
