// The faults an administrator meets, each with the real setup.exe under Wine in a
// prefix of its own: full disks, killed and concurrent runs, odd recorded values,
// removals after the user changed things, and odd command lines. Every box the
// program shows is answered as someone giving up would (Cancel where offered,
// else OK). The sound outcome is the same in every case: a clear box or log line,
// the exit code of the outcome (startup/exitcodes.h: failed, cancelled, another run
// at work) where the run did not complete, nothing recorded for an
// installation that did not complete, and no partial or corrupt file left where
// one was being written.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "startup/exitcodes.h"
#include "support/boxes.h"
#include "support/installed.h"
#include "support/winhelp.h"

namespace {

struct Outcome {
    int exitCode = -1;
    std::vector<SeenBox> boxes;
};

// Waits for the program to end, answering each of its message boxes on the way:
// Cancel where the box offers it, else No, else OK.
Outcome Finish(Started& process, DWORD timeoutMs = 120000)
{
    Outcome outcome;
    DWORD start = GetTickCount();
    while (WaitForSingleObject(process.process, 50) == WAIT_TIMEOUT) {
        if (GetTickCount() - start > timeoutMs) {
            TerminateProcess(process.process, 999);
            WaitForSingleObject(process.process, 10000);
            ADD_FAILURE() << "the program did not end; boxes so far: " << outcome.boxes.size();
            break;
        }
        HWND found = FindMessageBox(process.pid);
        if (!found)
            continue;
        SeenBox box = ReadBox(found);
        outcome.boxes.push_back(box);
        ClickButton(found, GiveUpButton(box));
        WaitForWindowGone(found, 10000);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.process, &code);
    CloseHandle(process.process);
    process.process = nullptr;
    outcome.exitCode = static_cast<int>(code);
    return outcome;
}

Outcome RunAnswering(const std::string& exe, const std::string& args, const std::string& cwd)
{
    Started process = StartProgram(exe, args, cwd);
    EXPECT_NE(process.process, nullptr) << exe;
    if (!process.process)
        return Outcome();
    return Finish(process);
}

std::string Texts(const std::vector<SeenBox>& boxes)
{
    std::string all;
    for (const SeenBox& b : boxes)
        all += "[" + b.text + "] ";
    return all;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool HasLineStarting(const std::vector<std::string>& lines, const std::string& head)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(head, 0) == 0; });
}

// An exclusive handle: nobody else may open the file meanwhile.
HANDLE Hold(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

std::vector<std::string> RunDirectories()
{
    std::vector<std::string> dirs;
    for (const std::string& name : ListDir(PlatformTempDir()))
        if (name.rfind("MVN", 0) == 0 && DirExists(PlatformTempDir() + name))
            dirs.push_back(name);
    return dirs;
}

class Faults : public ::testing::Test {
protected:
    void SetUp() override { work = FreshTestDir(); }
    Outcome Setup(const std::string& args) { return RunAnswering(SetupExe(), args, work); }
    std::vector<std::string> Log() { return SplitLines(ReadFileBytes(work + "\\setup.log")); }
    void ExpectRecorded(const std::string& dir)
    {
        EXPECT_EQ(Profile("DIR"), dir);
        EXPECT_EQ(Profile("INSTOPTS"), "1");
        EXPECT_TRUE(UninstallKeyExists());
    }
    void ExpectNothingRecorded()
    {
        EXPECT_EQ(Profile("INSTOPTS"), "<absent>");
        EXPECT_FALSE(UninstallKeyExists());
    }

    std::string work;
};

// ---- A full disk ---------------------------------------------------------------
// tests/faults/small-drive.sh makes D: just too small for one file (the name the
// test is registered with); the files before it fit.

// The last, optional file does not fit: it is skipped with a box that says why (not
// a disk prompt) and a log line, leaves no cut file, and the rest is installed.
TEST_F(Faults, FullDiskSkipsAnOptionalFile)
{
    WriteProfileStringA("Marvane", "DIR", "D:\\Marvane");
    Outcome o = Setup("-q -l");
    EXPECT_EQ(o.exitCode, 0) << Texts(o.boxes);
    ASSERT_EQ(o.boxes.size(), 1u) << Texts(o.boxes);
    EXPECT_EQ(o.boxes[0].text.rfind("D:\\Marvane\\marvane.bmp could not be written:\n", 0), 0u) << o.boxes[0].text;
    EXPECT_EQ(o.boxes[0].text.find("Insert disk"), std::string::npos);
    EXPECT_EQ(o.boxes[0].buttons, (std::vector<int>{IDCANCEL, IDRETRY}));
    EXPECT_FALSE(FileExists("D:\\Marvane\\marvane.bmp")) << "a cut file was left";
    ExpectInstalledAsPacked("D:\\Marvane", "marvane.bmp");
    EXPECT_TRUE(HasLine(Log(), "D:\\Marvane\\marvane.bmp was not installed.")) << ::testing::PrintToString(Log());
    ExpectRecorded("D:\\Marvane");
}

// A required file that does not fit ends the run: a failure (its Retry/Cancel box
// given up is no user's Cancel), the copy error in the log, no cut file, nothing
// recorded.
TEST_F(Faults, FullDiskStopsAtARequiredFile)
{
    WriteProfileStringA("Marvane", "DIR", "D:\\Marvane");
    Outcome o = Setup("-q -l");
    EXPECT_EQ(o.exitCode, EXIT_FAILED) << Texts(o.boxes);
    ASSERT_EQ(o.boxes.size(), 1u) << Texts(o.boxes);  // quiet: the retry prompt only
    EXPECT_EQ(o.boxes[0].text.rfind("D:\\Marvane\\remove.exe could not be written:\n", 0), 0u) << o.boxes[0].text;
    EXPECT_FALSE(FileExists("D:\\Marvane\\remove.exe")) << "a cut file was left";
    EXPECT_TRUE(HasLineStarting(Log(), "Copy of remove.exe to D:\\Marvane failed. (")) << ::testing::PrintToString(Log());
    EXPECT_TRUE(HasLine(Log(), "Some portion of installation process failed."));
    ExpectNothingRecorded();
}

// With the temporary directory on the full drive, the last container cannot be
// extracted: that is logged, its cut container is deleted, the copy asks for it
// (it is missing), and giving up skips it with a log line.
TEST_F(Faults, FullTemporaryDrive)
{
    ASSERT_TRUE(CreateDirectoryA("D:\\tmp", nullptr));
    SetEnvironmentVariableA("TEMP", "D:\\tmp");
    SetEnvironmentVariableA("TMP", "D:\\tmp");
    Outcome o = Setup("-q -l");
    EXPECT_EQ(o.exitCode, 0) << Texts(o.boxes);
    ASSERT_EQ(o.boxes.size(), 1u) << Texts(o.boxes);
    EXPECT_EQ(o.boxes[0].text, "Insert disk 1 containing marvane.bmp");
    std::vector<std::string> log = Log();
    EXPECT_TRUE(HasLineStarting(log, "File write error on D:\\tmp\\MVN")) << ::testing::PrintToString(log);
    EXPECT_TRUE(HasLine(log, "C:\\Marvane\\marvane.bmp was not installed.")) << ::testing::PrintToString(log);
    ExpectInstalledAsPacked("C:\\Marvane", "marvane.bmp");
    EXPECT_FALSE(FileExists("C:\\Marvane\\marvane.bmp"));
    EXPECT_EQ(ListDir("D:\\tmp"), std::vector<std::string>()) << "the run's temporary files stayed";
    ExpectRecorded("C:\\Marvane");
}

// An optional file held open by another process (a running program using it): its
// retry prompt is given up on, the old version stays as it was (the run did not
// create it, so it does not delete it), the skip is logged, and the rest installs.
TEST_F(Faults, BusyOptionalFileKeepsItsOldVersion)
{
    CreateDirectoryA("C:\\Marvane", nullptr);
    WriteFileBytes("C:\\Marvane\\crvtsupt.dll", "old dll!");
    HANDLE held = Hold("C:\\Marvane\\crvtsupt.dll");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Outcome o = Setup("-q -l");
    CloseHandle(held);
    EXPECT_EQ(o.exitCode, 0) << Texts(o.boxes);
    ASSERT_EQ(o.boxes.size(), 1u) << Texts(o.boxes);
    EXPECT_EQ(o.boxes[0].text, "Failed to open destination file crvtsupt.dll");
    EXPECT_EQ(ReadFileBytes("C:\\Marvane\\crvtsupt.dll"), "old dll!");
    ExpectInstalledAsPacked("C:\\Marvane", "crvtsupt.dll");
    EXPECT_TRUE(HasLine(Log(), "C:\\Marvane\\crvtsupt.dll was not installed.")) << ::testing::PrintToString(Log());
    ExpectRecorded("C:\\Marvane");
}

// A temporary directory too long for the payload's paths (with the run's private
// directory and the longest name, 260 characters) is said once, before anything
// is extracted, and the run ends as a failed extraction does; no disk prompt.
TEST_F(Faults, TemporaryDirectoryTooLong)
{
    const std::string temp = "C:\\" + std::string(232, 't');  // 236 characters with its "\"
    ASSERT_TRUE(CreateDirectoryA(temp.c_str(), nullptr));
    SetEnvironmentVariableA("TEMP", temp.c_str());
    SetEnvironmentVariableA("TMP", temp.c_str());
    Outcome o = Setup("-q -l");
    EXPECT_EQ(o.exitCode, EXIT_FAILED) << Texts(o.boxes);
    EXPECT_TRUE(o.boxes.empty()) << Texts(o.boxes);
    EXPECT_EQ(Log(), std::vector<std::string>{
                         "The TEMP directory is too long for the installer's files; set TEMP to a shorter one."});
    EXPECT_EQ(ListDir(temp), std::vector<std::string>());
    EXPECT_FALSE(DirExists("C:\\Marvane"));
    ExpectNothingRecorded();
}

// ---- Killed and concurrent runs ---------------------------------------------------

// Killed while it waits at a retry prompt (a destination held open by someone
// else): its private directory and containers stay behind. The next run takes
// over, removes what the killed run left (and only that), and installs byte-exact.
TEST_F(Faults, KilledMidRunThenAgain)
{
    CreateDirectoryA("C:\\Marvane", nullptr);
    HANDLE held = Hold("C:\\Marvane\\Release.txt");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string other = PlatformTempDir() + "MVN-not-ours";
    ASSERT_TRUE(CreateDirectoryA(other.c_str(), nullptr));
    WriteFileBytes(other + "\\Marvane.exe", "someone else's");

    Started first = StartProgram(SetupExe(), "-q -l", work);
    HWND prompt = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (prompt = FindMessageBox(first.pid)) != nullptr; }, 60000))
        << "the first run never waited at its prompt";
    EXPECT_EQ(MessageBoxText(prompt), "Failed to open destination file Release.txt");
    TerminateProcess(first.process, 9);
    WaitForSingleObject(first.process, 10000);
    CloseHandle(first.process);
    CloseHandle(held);

    std::vector<std::string> left = RunDirectories();
    ASSERT_EQ(left.size(), 2u) << ::testing::PrintToString(left);  // the killed run's, and the look-alike
    std::string killed = left[0] == "MVN-not-ours" ? left[1] : left[0];
    EXPECT_EQ(ListDir(PlatformTempDir() + killed).size(), 10u) << "what the killed run left";

    Outcome second = Setup("-q -l");
    EXPECT_EQ(second.exitCode, 0) << Texts(second.boxes);
    EXPECT_TRUE(second.boxes.empty()) << Texts(second.boxes);
    ExpectInstalledAsPacked("C:\\Marvane");
    ExpectRecorded("C:\\Marvane");
    EXPECT_EQ(RunDirectories(), std::vector<std::string>{"MVN-not-ours"}) << "the killed run's directory stayed";
    EXPECT_EQ(ReadFileBytes(other + "\\Marvane.exe"), "someone else's");
    EXPECT_TRUE(HasLine(Log(), "Removing " + PlatformTempDir() + killed + "\\Marvane.exe"))
        << ::testing::PrintToString(Log());
}

// A second installation and a removal while the first waits at a prompt: both
// are refused at once with the code that tells a deployment tool to try again
// later, change nothing, and say so in the log; the first then completes, and the
// record names that one installation.
TEST_F(Faults, TwoRunsAtOnce)
{
    CreateDirectoryA("C:\\Marvane", nullptr);
    HANDLE held = Hold("C:\\Marvane\\Release.txt");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Started first = StartProgram(SetupExe(), "-q -l", work);
    HWND prompt = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (prompt = FindMessageBox(first.pid)) != nullptr; }, 60000));

    for (const char* args : {"-q -l", "-r -q -l"}) {
        std::string cwd = FreshDir(std::string("second") + (args[1] == 'r' ? "-removal" : "-install"));
        Outcome o = RunAnswering(SetupExe(), args, cwd);
        EXPECT_EQ(o.exitCode, EXIT_BUSY) << args;
        EXPECT_TRUE(o.boxes.empty()) << args << Texts(o.boxes);
        EXPECT_EQ(SplitLines(ReadFileBytes(cwd + "\\setup.log")),
                  std::vector<std::string>{"Another run is installing or removing Marvane Plus."})
            << args;
    }
    EXPECT_TRUE(FileExists("C:\\Marvane\\Marvane.exe")) << "the refused removal deleted files";
    ExpectNothingRecorded();

    CloseHandle(held);
    ClickButton(prompt, IDRETRY);
    Outcome o = Finish(first);
    EXPECT_EQ(o.exitCode, 0) << Texts(o.boxes);
    ExpectInstalledAsPacked("C:\\Marvane");
    ExpectRecorded("C:\\Marvane");
    EXPECT_EQ(Profile("GROUP"), "Marvane");
}

// WIN.INI held open without sharing: the files are installed but the installation
// cannot be recorded, so it is no success: a log line and the failure code.
TEST_F(Faults, WinIniCannotBeWritten)
{
    HANDLE held = CreateFileA("C:\\windows\\win.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Outcome o = Setup("-q -l");
    CloseHandle(held);
    EXPECT_EQ(o.exitCode, EXIT_FAILED) << Texts(o.boxes);
    EXPECT_TRUE(o.boxes.empty()) << Texts(o.boxes);
    std::vector<std::string> log = Log();
    EXPECT_TRUE(HasLine(log, "The installation could not be recorded in WIN.INI.")) << ::testing::PrintToString(log);
    EXPECT_FALSE(HasLine(log, "Installation successful!"));
    EXPECT_FALSE(SectionExists());
    ExpectInstalledAsPacked("C:\\Marvane");
}

// The copy error names two paths and a code: the log keeps it whole however long
// the directory is.
TEST_F(Faults, LongCopyFailureLineStaysWhole)
{
    const std::string dir = "C:\\" + std::string(230, 'p');  // with its files' names, still within MAX_PATH
    WriteProfileStringA("Marvane", "DIR", dir.c_str());
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    HANDLE held = Hold(dir + "\\Release.txt");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Outcome o = Setup("-q -l");
    CloseHandle(held);
    EXPECT_EQ(o.exitCode, EXIT_FAILED) << Texts(o.boxes);
    std::vector<std::string> log = Log();
    const std::string head = "Copy of release.txt to " + dir + " failed. (";
    auto line = std::find_if(log.begin(), log.end(), [&](const std::string& l) { return l.rfind(head, 0) == 0; });
    ASSERT_NE(line, log.end()) << ::testing::PrintToString(log);
    EXPECT_GT(line->size(), 256u);
    EXPECT_EQ(line->back(), ')') << *line;
    ExpectNothingRecorded();
}

// ---- Recorded values an administrator may have seeded --------------------------------

// Each of these is refused as a directory that cannot be created: the creation box
// (quiet mode too), the log line, the failure code, nothing recorded, no tree made.
void ExpectDirectoryRefused(const Outcome& o, const std::vector<std::string>& log)
{
    EXPECT_EQ(o.exitCode, EXIT_FAILED) << Texts(o.boxes);
    ASSERT_FALSE(o.boxes.empty());
    for (const SeenBox& b : o.boxes)
        EXPECT_TRUE(b.text.rfind("Creation of ", 0) == 0 || b.text.rfind("Other users could change ", 0) == 0)
            << b.text;
    EXPECT_TRUE(HasLine(log, "Failed to create requested directory!\r")) << ::testing::PrintToString(log);
    EXPECT_EQ(Profile("INSTOPTS"), "<absent>");
    EXPECT_FALSE(UninstallKeyExists());
}

TEST_F(Faults, RecordedDirNamesAFile)
{
    WriteFileBytes("C:\\Marvane", "a file, not a directory");
    WriteProfileStringA("Marvane", "DIR", "C:\\Marvane");
    Outcome o = Setup("-q -l");
    ExpectDirectoryRefused(o, Log());
    ASSERT_EQ(o.boxes.size(), 1u);
    EXPECT_EQ(o.boxes[0].text, "Creation of C:\\Marvane failed. (183)");
    EXPECT_EQ(ReadFileBytes("C:\\Marvane"), "a file, not a directory");
}

TEST_F(Faults, RecordedDirWithCharactersAPathCannotHold)
{
    WriteProfileStringA("Marvane", "DIR", "C:\\Mar<v>a|ne\"");
    Outcome o = Setup("-q -l");
    ExpectDirectoryRefused(o, Log());
}

// 255 characters leave no room for the files' names within MAX_PATH; more than 255
// would be cut by the record's usual read, and a cut path is some other directory.
TEST_F(Faults, RecordedDirTooLong)
{
    for (size_t length : {size_t{255}, size_t{300}}) {
        const std::string dir = "C:\\" + std::string(length - 3, 'm');
        WriteProfileStringA("Marvane", "DIR", dir.c_str());
        DeleteFileA((work + "\\setup.log").c_str());
        Outcome o = Setup("-q -l");
        ExpectDirectoryRefused(o, Log());
        ASSERT_EQ(o.boxes.size(), 1u) << length;
        EXPECT_EQ(o.boxes[0].text, "Creation of " + dir + " failed. (206)") << length;
        EXPECT_FALSE(DirExists(dir.substr(0, 200))) << "a cut tree was made";
    }
}

// Made beforehand and opened to everybody, as any signed-in user may below a
// drive's root, with a remover and a DLL of theirs inside, opened too: afterwards
// nobody else may change the directory or anything in it.
TEST_F(Faults, DirectoryMadeBeforehandIsClosed)
{
    const char* planted[] = {"C:\\Marvane\\remove.exe", "C:\\Marvane\\extra.dll"};
    ASSERT_TRUE(CreateDirectoryA("C:\\Marvane", nullptr));
    ASSERT_TRUE(SetRights("C:\\Marvane", "D:(A;OICI;FA;;;WD)"));
    for (const char* p : planted) {
        ASSERT_TRUE(WriteFileBytes(p, "theirs"));
        ASSERT_TRUE(SetRights(p, "D:P(A;;FA;;;WD)"));
        ASSERT_NE(EveryoneRights(p) & FILE_WRITE_DATA, 0u) << p;
    }
    Outcome o = Setup("-q -l");
    EXPECT_EQ(o.exitCode, 0) << Texts(o.boxes);
    ExpectRecorded("C:\\Marvane");
    for (const char* p : {"C:\\Marvane", planted[0], planted[1]})
        EXPECT_EQ(EveryoneRights(p) & (FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | WRITE_DAC), 0u) << p;
    EXPECT_NE(ReadFileBytes(planted[0]), "theirs");
}

// A file in it with another name elsewhere (a hard link) would have the copy
// write over that other file: the directory is refused, and nothing is written
// or recorded.
TEST_F(Faults, DirectoryHoldingAHardLinkIsRefused)
{
    ASSERT_TRUE(WriteFileBytes("C:\\elsewhere.txt", "not theirs"));
    ASSERT_TRUE(CreateDirectoryA("C:\\Marvane", nullptr));
    ASSERT_TRUE(CreateHardLinkA("C:\\Marvane\\Release.txt", "C:\\elsewhere.txt", nullptr));
    Outcome o = Setup("-q -l");
    const std::string why = "Other users could change C:\\Marvane\\Release.txt.";
    ExpectDirectoryRefused(o, Log());
    ASSERT_EQ(o.boxes.size(), 1u) << Texts(o.boxes);
    EXPECT_EQ(o.boxes[0].text, why);
    EXPECT_TRUE(HasLine(Log(), why));
    EXPECT_EQ(ReadFileBytes("C:\\elsewhere.txt"), "not theirs");
}

// A recorded directory that does not fit is refused whole, for a removal as for
// an installation: a cut one names some other directory. Nothing is deleted,
// and the record stays.
TEST_F(Faults, RemovalOfARecordedDirTooLong)
{
    const std::string dir = "C:\\" + std::string(297, 'm');
    WriteProfileStringA("Marvane", "DIR", dir.c_str());
    Outcome o = Setup("-r -q -l");
    EXPECT_EQ(o.exitCode, EXIT_FAILED);
    EXPECT_TRUE(o.boxes.empty()) << Texts(o.boxes);
    EXPECT_TRUE(HasLine(Log(), "The recorded DIR is too long; nothing was removed."))
        << ::testing::PrintToString(Log());
    EXPECT_EQ(Profile("DIR"), dir);
}

TEST_F(Faults, RecordedDirOnAShareThatIsNotThere)
{
    WriteProfileStringA("Marvane", "DIR", "\\\\nosuchserver\\share\\Marvane");
    Outcome o = Setup("-q -l");
    ExpectDirectoryRefused(o, Log());
}

// A relative directory is taken from the current directory and recorded whole,
// so that the items point at the files and a later removal finds them.
TEST_F(Faults, RecordedDirRelative)
{
    WriteProfileStringA("Marvane", "DIR", "Marvane");
    Outcome o = Setup("-q -l");
    EXPECT_EQ(o.exitCode, 0) << Texts(o.boxes);
    EXPECT_TRUE(o.boxes.empty()) << Texts(o.boxes);
    const std::string dir = work + "\\Marvane";
    ExpectInstalledAsPacked(dir);
    ExpectRecorded(dir);
    EXPECT_EQ(GroupItems("Marvane"), kAllItems);
    // Removed from elsewhere, by what was recorded.
    std::string elsewhere = FreshDir("elsewhere");
    EXPECT_EQ(RunAnswering(SetupExe(), "-r -q", elsewhere).exitCode, 0);
    EXPECT_FALSE(DirExists(dir));
}

// A drive's root is a directory like another, and is recorded with its backslash.
// (D: is a drive of its own here, tests/faults/small-drive.sh.)
TEST_F(Faults, RecordedDirIsADriveRoot)
{
    WriteProfileStringA("Marvane", "DIR", "D:\\");
    ASSERT_NE(EveryoneRights("D:\\") & FILE_WRITE_DATA, 0u);
    Outcome o = Setup("-q -l");
    EXPECT_EQ(o.exitCode, 0) << Texts(o.boxes);
    EXPECT_NE(EveryoneRights("D:\\") & FILE_WRITE_DATA, 0u) << "a drive's root was given rights";
    ExpectInstalledAsPacked("D:");
    ExpectRecorded("D:\\");
    EXPECT_EQ(UninstallValue("UninstallString").bytes, WithNul("D:\\remove.exe -f D:\\ -d D:\\ -g Marvane"));
    EXPECT_EQ(UninstallValue("DisplayIcon").bytes, WithNul("D:\\Marvane.exe,0"));
}

// The recorded directory is there, but its rights cannot be made the program
// directory's (D: is read-only here, tests/faults/small-drive.sh): it is refused
// as one that cannot be created, before anything is copied into it.
TEST_F(Faults, RecordedDirCannotBeGivenRights)
{
    WriteProfileStringA("Marvane", "DIR", "D:\\Marvane");
    Outcome o = Setup("-q -l");
    ExpectDirectoryRefused(o, Log());
    ASSERT_EQ(o.boxes.size(), 1u);
    EXPECT_EQ(o.boxes[0].text, "Other users could change D:\\Marvane.");
}

// Under code page 932 the second byte of "表" is 0x5C, the byte of a backslash: a
// directory ending in it is no drive's root, nor is that byte where its parent's
// name ends. Both are made (and nothing beside them), the files go into it, the
// record names it whole, and the removal finds everything there.
TEST_F(Faults, DoubleByteDirectory)
{
    ASSERT_EQ(GetACP(), 932u);
    const std::string parent = "C:\\\x95\x5C";  // C:\表
    const std::string dir = parent + "\\\x95\x5C";
    WriteProfileStringA("Marvane", "DIR", dir.c_str());
    Outcome o = Setup("-q -l");
    EXPECT_EQ(o.exitCode, 0) << Texts(o.boxes);
    EXPECT_TRUE(o.boxes.empty()) << Texts(o.boxes);
    EXPECT_EQ(ListDir(parent + "\\"), std::vector<std::string>{"\x95\x5C"});
    EXPECT_FALSE(HasLineStarting(Log(), "Creation of ")) << ::testing::PrintToString(Log());
    ExpectInstalledAsPacked(dir);
    EXPECT_FALSE(FileExists(dir + "Marvane.exe"));
    ExpectRecorded(dir);
    EXPECT_EQ(Profile("DEFDIR"), dir);
    EXPECT_EQ(UninstallValue("UninstallString").bytes,
              WithNul(dir + "\\remove.exe -f " + dir + " -d " + dir + " -g Marvane"));
    EXPECT_EQ(GroupItems("Marvane"), kAllItems);

    o = Setup("-r -q -l");
    EXPECT_EQ(o.exitCode, 0) << Texts(o.boxes);
    EXPECT_FALSE(DirExists(dir));
    EXPECT_FALSE(SectionExists());
    EXPECT_FALSE(UninstallKeyExists());
}

// A group name longer than the record holds is cut to 255 characters, as every
// value read from it is; brackets, quotes and parentheses go to the shell as they
// are. Neither fails the installation.
TEST_F(Faults, RecordedGroupsOfOddShape)
{
    for (const std::string& group : {std::string(300, 'g'), std::string("My [Tools] \"x\" (y), z")}) {
        WriteProfileStringA("Marvane", "GROUP", group.c_str());
        Outcome o = Setup("-q -l");
        EXPECT_EQ(o.exitCode, 0) << group << Texts(o.boxes);
        EXPECT_TRUE(o.boxes.empty()) << Texts(o.boxes);
        EXPECT_EQ(Profile("GROUP"), group.substr(0, 255));
        ExpectInstalledAsPacked("C:\\Marvane");
    }
}

// ---- Removal after the user changed things -------------------------------------------

// A changed installed file is the product's and goes; a file of the user's own
// stays, and with it the directory; the closing message says so.
TEST_F(Faults, RemovalKeepsTheUsersFiles)
{
    ASSERT_EQ(Setup("-q").exitCode, 0);
    WriteFileBytes("C:\\Marvane\\Release.txt", "edited by the user");
    WriteFileBytes("C:\\Marvane\\notes.txt", "the user's own");
    DeleteFileA((work + "\\setup.log").c_str());
    Outcome o = Setup("-r -q -l");
    EXPECT_EQ(o.exitCode, 0) << Texts(o.boxes);
    EXPECT_TRUE(o.boxes.empty());
    EXPECT_EQ(ListDir("C:\\Marvane"), std::vector<std::string>{"notes.txt"});
    std::vector<std::string> log = Log();
    EXPECT_TRUE(HasLine(log, "Removing C:\\Marvane\\Release.txt (ok)")) << ::testing::PrintToString(log);
    EXPECT_TRUE(HasLine(log, "Removing C:\\Marvane (failed)"));
    EXPECT_TRUE(HasLine(log, "Check the directory C:\\Marvane for excess files"));
    EXPECT_FALSE(SectionExists());
}

// The program directory deleted by hand: every file is reported as failed, and
// the directory is gone, so all is removed.
TEST_F(Faults, RemovalAfterTheDirectoryWasDeleted)
{
    ASSERT_EQ(Setup("-q").exitCode, 0);
    for (const std::string& name : ListDir("C:\\Marvane"))
        DeleteFileA(("C:\\Marvane\\" + name).c_str());
    ASSERT_TRUE(RemoveDirectoryA("C:\\Marvane"));
    DeleteFileA((work + "\\setup.log").c_str());
    Outcome o = Setup("-r -q -l");
    EXPECT_EQ(o.exitCode, 0) << Texts(o.boxes);
    std::vector<std::string> log = Log();
    EXPECT_TRUE(HasLine(log, "Removing C:\\Marvane\\Marvane.exe (failed)")) << ::testing::PrintToString(log);
    EXPECT_TRUE(HasLine(log, "Removing C:\\Marvane (ok)"));
    EXPECT_TRUE(HasLine(log, "All files removed."));
    EXPECT_FALSE(SectionExists());
    EXPECT_TRUE(GroupItems("Marvane").empty());
}

// ---- Command lines ---------------------------------------------------------------------

TEST_F(Faults, CommandLines)
{
    // Exit code 0: installed; EXIT_CANCELLED: the first dialog came and was left.
    const struct {
        const char* name;
        std::string args;
        int exitCode;
    } cases[] = {
        {"30,000 characters", "-q -l " + std::string(30000, 'x'), 0},
        {"-i and -r together (-i is looked at first)", "-i -r -q -l", 0},
        {"characters beyond ASCII", "-q -l \xFC\xE9\xDF\xA7 \xC3\xBC", 0},
        {"nothing but characters beyond ASCII: an interactive run's choice, left", "\xFC\xE9", EXIT_CANCELLED},
    };
    for (const auto& c : cases) {
        Started p = StartProgram(SetupExe(), c.args, work);
        ASSERT_NE(p.process, nullptr) << c.name;
        const bool installs = c.exitCode == 0;
        if (!installs) {
            HWND choice = WaitForWindow("#32770", "Install", 30000, p.pid);
            ASSERT_NE(choice, nullptr) << c.name;
            ClickButton(choice, IDCANCEL);
        }
        Outcome o = Finish(p);
        EXPECT_EQ(o.exitCode, c.exitCode) << c.name << Texts(o.boxes);
        if (installs) {
            ExpectInstalledAsPacked("C:\\Marvane");
            ExpectRecorded("C:\\Marvane");
        }
    }
}

// Beyond ASCII in the Installer's own path (a downloads folder of another
// language): it starts, installs and logs as from anywhere else.
TEST_F(Faults, ProgramPathBeyondAscii)
{
    const std::string dir = work + "\\Gel\xE4nde \xFC";
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(SetupExe().c_str(), (dir + "\\setup.exe").c_str(), FALSE));
    Outcome o = RunAnswering(dir + "\\setup.exe", "-q -l", dir);
    EXPECT_EQ(o.exitCode, 0) << Texts(o.boxes);
    ExpectInstalledAsPacked("C:\\Marvane");
    EXPECT_TRUE(HasLine(SplitLines(ReadFileBytes(dir + "\\setup.log")), "Installation successful!"));
}

}  // namespace
