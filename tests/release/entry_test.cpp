// setup.exe's own entry point, as a process: the arguments it hands on are what
// follows the program name, however that name is written. Switches are found
// anywhere in that text, so a name left in it would count: a folder "dir-i"
// would turn a quiet removal into a quiet installation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, cwd.c_str(), &si, &pi))
        return -998;
    CloseHandle(pi.hThread);
    Started started;
    started.process = pi.hProcess;
    started.pid = pi.dwProcessId;
    return WaitExit(started, 60000);
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
        EXPECT_EQ(RunWithCommandLine(exe, name + "   -r -q", dir), 1) << name;
        EXPECT_FALSE(DirExists("C:\\Marvane")) << name;
        EXPECT_FALSE(FileExists(dir + "\\setup.log")) << name;
    }
}

}  // namespace
