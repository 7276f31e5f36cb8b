// The remover as the system uses it: after a quiet install of setup.exe, Wine's own
// "uninstaller" lists the entry and runs its recorded command; the remover (driven
// through its boxes) leaves nothing of the installation behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "shell/record.h"
#include "startup/exitcodes.h"
#include "support/installed.h"
#include "support/winhelp.h"

namespace {

const char kUninstaller[] = "C:\\windows\\system32\\uninstaller.exe";
const char kCaption[] = "Marvane Plus Uninstall";


// Delayed deletions of the system (MoveFileEx with MOVEFILE_DELAY_UNTIL_REBOOT).
std::vector<std::string> PendingDeletions()
{
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return names;
    std::vector<char> data(65536);
    DWORD size = static_cast<DWORD>(data.size()), type = 0;
    if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &size) == ERROR_SUCCESS) {
        // Pairs of source and target; an empty target means deletion.
        std::vector<std::string> items;
        for (size_t i = 0; i < size && data[i];) {
            std::string s(&data[i]);
            items.push_back(s);
            i += s.size() + 1;
            if (i < size && !data[i] && items.size() % 2 == 1) {
                items.push_back("");
                ++i;
            }
        }
        for (size_t i = 0; i + 1 < items.size(); i += 2)
            if (items[i + 1].empty())
                names.push_back(items[i]);
    }
    RegCloseKey(key);
    return names;
}

// Every running remove.exe of this prefix.
std::vector<DWORD> RemoverProcesses()
{
    std::vector<DWORD> pids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return pids;
    PROCESSENTRY32 pe;
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe))
        if (lstrcmpiA(pe.szExeFile, "remove.exe") == 0)
            pids.push_back(pe.th32ProcessID);
    CloseHandle(snap);
    return pids;
}

bool WaitForRemovers(DWORD timeoutMs)
{
    return WaitUntil([] { return RemoverProcesses().empty(); }, timeoutMs);
}

// Waits for every remover to end, watching for their boxes meanwhile: the number of
// boxes seen, or -1 when the removers did not end in time. A box that nobody
// answers holds its remover, so any box shown stands until this sees it.
int BoxesUntilRemoversEnd(DWORD timeoutMs)
{
    std::set<HWND> boxes;
    bool ended = WaitUntil([&] {
        if (HWND box = WaitForWindow("#32770", kCaption, 0))
            boxes.insert(box);
        return RemoverProcesses().empty();
    }, timeoutMs);
    return ended ? static_cast<int>(boxes.size()) : -1;
}

struct WindowSearch {
    std::vector<DWORD> pids;
    std::vector<std::string> found;  // titles
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM param)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (IsWindowVisible(window) && std::find(search->pids.begin(), search->pids.end(), pid) != search->pids.end()) {
        char title[256] = "";
        GetWindowTextA(window, title, sizeof title);
        search->found.push_back(std::string("\"") + title + "\"");
    }
    return TRUE;
}

// Visible top-level windows of any running remove.exe: a quiet removal has none.
std::vector<std::string> RemoverWindows()
{
    WindowSearch search{RemoverProcesses(), {}};
    if (!search.pids.empty())
        EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Adds the titles of the removers' windows not noted yet.
void NoteRemoverWindows(std::vector<std::string>* windows)
{
    for (const std::string& title : RemoverWindows())
        if (std::find(windows->begin(), windows->end(), title) == windows->end())
            windows->push_back(title);
}

// Waits, like WaitForRemovers, and notes every window a remover showed meanwhile.
bool WaitForRemoversWithoutWindows(DWORD timeoutMs, std::vector<std::string>* windows)
{
    return WaitUntil([&] {
        NoteRemoverWindows(windows);
        return RemoverProcesses().empty();
    }, timeoutMs);
}

// The remover's first question.
std::string Confirmation(const std::string& dir)
{
    return "Remove Marvane Plus from " + dir +
           "?\n\nIts program files, its Start Menu items and the record of the installation will be deleted.";
}

bool SetUninstallValue(const char* name, const std::string& text)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

std::string ListedEntries(const std::string& work)
{
    const std::string out = work + "\\list.txt";
    DeleteFileA(out.c_str());
    RunProgram("C:\\windows\\system32\\cmd.exe", std::string("/c ") + kUninstaller + " --list > " + out, work);
    return ReadFileBytes(out);
}

class Remover : public ::testing::Test {
protected:
    void SetUp() override { work = FreshTestDir(); }
    void Shot(const std::string& what) { Snapshot("remover-" + TestName() + "-" + what); }
    // A quiet install of setup.exe into the recorded directories, if any.
    void Install(const std::string& dir, const std::string& dataDir, const std::string& group)
    {
        if (dir != "C:\\Marvane" || dataDir != dir || group != "Marvane") {
            WriteProfileStringA("Marvane", "DIR", dir.c_str());
            WriteProfileStringA("Marvane", "DEFDIR", dataDir.c_str());
            WriteProfileStringA("Marvane", "GROUP", group.c_str());
        }
        ASSERT_EQ(RunProgram(SetupExe(), "-q", work, 120000), 0);
        for (const PayloadFile& row : fileTable)
            ASSERT_TRUE(FileExists(dir + "\\" + row.destName)) << row.destName;
        // Read as soon as setup.exe has ended: the shell makes folders and items
        // inside the DDE calls, not later.
        ASSERT_EQ(GroupItems(group), kAllItems);
        ASSERT_TRUE(UninstallKeyExists());
        // Wine's shell opens a folder window for the new group, in its own time; let
        // it come, and finish showing itself, before the remover's boxes, so that it
        // does not cover them in the screenshots.
        if (HWND folder = WaitForWindow(nullptr, group.c_str(), 10000))
            SendAndWait(folder, WM_NULL);
        // The help viewer's index, as reading the help file leaves it.
        WriteFileBytes(dir + "\\Marvane.gid", "index");
    }
    // Answers one box of the remover, checking its caption and text.
    void AnswerBox(const std::string& text, int button, const std::string& shot)
    {
        HWND box = WaitForWindow("#32770", kCaption, 60000);
        ASSERT_NE(box, nullptr) << "no box: " << text;
        EXPECT_EQ(MessageBoxText(box), text);
        Shot(shot);
        ClickButton(box, button);
        EXPECT_TRUE(WaitForWindowGone(box));
    }
    // Wine's uninstaller runs the recorded command: yes to the question, OK to the
    // closing box, and every process ends.
    void RemoveThroughUninstaller(const std::string& dir, const std::string& shot)
    {
        Started uninstaller = StartProgram(kUninstaller, "--remove Marvane", work);
        ASSERT_NE(uninstaller.process, nullptr);
        AnswerBox(Confirmation(dir), IDYES, shot);
        AnswerBox("Marvane Plus has been removed.", IDOK, "done");
        EXPECT_EQ(WaitExit(uninstaller, 60000), 0);
        ASSERT_TRUE(WaitForRemovers(60000));
    }
    void ExpectNothingLeft(const std::string& dir, const std::string& group, bool groupGoes)
    {
        EXPECT_FALSE(DirExists(dir)) << dir << " holds " << ListDir(dir).size() << " entries";
        for (const PayloadFile& row : fileTable)
            EXPECT_FALSE(FileExists(dir + "\\" + row.destName)) << row.destName;
        EXPECT_FALSE(FileExists(dir + "\\Marvane.gid"));
        const std::string folder = ProgramsFolder() + "\\" + group;
        if (groupGoes)
            EXPECT_FALSE(DirExists(folder)) << folder;
        else
            EXPECT_EQ(ListDir(folder), std::vector<std::string>()) << "items left in " << folder;
        EXPECT_FALSE(SectionExists());
        EXPECT_FALSE(UninstallKeyExists());
        EXPECT_EQ(ListedEntries(work).find("Marvane"), std::string::npos);
    }
    // The working copy ran from a private temporary directory and has itself and
    // that directory deleted at the next restart.
    void ExpectWorkingCopyScheduled()
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        char longTemp[MAX_PATH];
        GetLongPathNameA(temp, longTemp, sizeof longTemp);
        std::vector<std::string> pending = PendingDeletions();
        std::string copy;
        for (const std::string& p : pending)
            if (p.size() > 11 && p.compare(p.size() - 11, 11, "\\remove.exe") == 0)
                copy = p;
        ASSERT_FALSE(copy.empty()) << "the working copy is not scheduled for deletion";
        const std::string copyDir = copy.substr(0, copy.size() - 11);
        EXPECT_NE(std::find(pending.begin(), pending.end(), copyDir), pending.end()) << copyDir;
        EXPECT_NE(copyDir.find("\\MVR"), std::string::npos) << copyDir;
        // The names are in the system's "\??\" form.
        std::string local = copy.compare(0, 4, "\\??\\") == 0 ? copy.substr(4) : copy;
        EXPECT_TRUE(FileExists(local)) << local;
        std::string localDir = local.substr(0, local.size() - 11);
        EXPECT_TRUE(lstrcmpiA(localDir.substr(0, localDir.rfind('\\') + 1).c_str(), longTemp) == 0 ||
                    lstrcmpiA(localDir.substr(0, localDir.rfind('\\') + 1).c_str(), temp) == 0)
            << localDir << " is not in " << temp;
    }

    std::string work;
};

// The fuller uninstall entry after a quiet install.
TEST_F(Remover, QuietInstallRecordsTheFullerEntry)
{
    Install("C:\\Marvane", "C:\\Marvane", "Marvane");
    // The installed size: the packed files, in KiB rounded up.
    ExpectUninstallEntry("C:\\Marvane", "C:\\Marvane", "Marvane", PackedKib());
    EXPECT_NE(ListedEntries(work).find("Marvane|||Corvatek Marvane Uninstall"), std::string::npos)
        << ListedEntries(work);
}

// Wine's uninstaller runs the recorded command; the remover asks, works from its
// copy, and tells how it went.
TEST_F(Remover, UninstallerRemovesEverything)
{
    Install("C:\\Marvane", "C:\\Marvane", "Marvane");
    EXPECT_NE(ListedEntries(work).find("Marvane|||Corvatek Marvane Uninstall"), std::string::npos);

    ASSERT_NO_FATAL_FAILURE(RemoveThroughUninstaller("C:\\Marvane", "confirm"));

    ExpectNothingLeft("C:\\Marvane", "Marvane", true);
    ExpectWorkingCopyScheduled();
}

TEST_F(Remover, UninstallerWithBlanksInTheDirectories)
{
    const std::string dir = "C:\\Program Files\\Marvane Plus";
    Install(dir, "C:\\My Marvane Data", "Marvane");
    EXPECT_EQ(UninstallValue("UninstallString").bytes,
              WithNul("\"" + dir + "\\remove.exe\" -f " + dir + " -d C:\\My Marvane Data -g Marvane"));
    EXPECT_EQ(UninstallValue("InstallLocation").bytes, WithNul(dir));

    ASSERT_NO_FATAL_FAILURE(RemoveThroughUninstaller(dir, "confirm"));

    ExpectNothingLeft(dir, "Marvane", true);
    EXPECT_TRUE(DirExists("C:\\Program Files"));
    EXPECT_TRUE(DirExists("C:\\My Marvane Data"));  // the user's data stays
    ExpectWorkingCopyScheduled();
}

// Wine's uninstaller runs only an entry's UninstallString (it reads no
// QuietUninstallString): with the quiet line put there, as a package manager's
// silent removal would run it, the whole removal happens without a window.
TEST_F(Remover, QuietStringThroughUninstaller)
{
    const std::string dir = "C:\\Program Files\\Marvane Plus";
    Install(dir, "C:\\My Marvane Data", "Marvane");
    RegValue quiet = UninstallValue("QuietUninstallString");
    ASSERT_EQ(quiet.type, static_cast<DWORD>(REG_SZ));
    const std::string line = quiet.bytes.substr(0, quiet.bytes.find('\0'));
    EXPECT_EQ(line, "\"" + dir + "\\remove.exe\" -q -f " + dir + " -d C:\\My Marvane Data -g Marvane");
    ASSERT_TRUE(SetUninstallValue("UninstallString", line));

    Started uninstaller = StartProgram(kUninstaller, "--remove Marvane", work);
    ASSERT_NE(uninstaller.process, nullptr);
    std::vector<std::string> windows;
    DWORD start = GetTickCount();
    while (WaitForSingleObject(uninstaller.process, 0) == WAIT_TIMEOUT && GetTickCount() - start < 60000) {
        NoteRemoverWindows(&windows);
        Sleep(25);
    }
    EXPECT_EQ(WaitExit(uninstaller, 1000), 0);
    const bool ended = WaitForRemoversWithoutWindows(60000, &windows);
    EXPECT_EQ(windows, std::vector<std::string>()) << "a quiet removal showed a window";
    ASSERT_TRUE(ended) << "the remover did not end";
    Shot("after");

    ExpectNothingLeft(dir, "Marvane", true);
    EXPECT_TRUE(DirExists("C:\\My Marvane Data"));
    ExpectWorkingCopyScheduled();
}

// A package manager's silent removal: the recorded quiet line started as it stands.
// The process it starts ends when the removal has ended, with its code: the
// product and its record are gone by then; its own file goes right after.
TEST_F(Remover, QuietStringAsRecorded)
{
    Install("C:\\Marvane", "C:\\Marvane", "Marvane");
    RegValue quiet = UninstallValue("QuietUninstallString");
    ASSERT_EQ(quiet.type, static_cast<DWORD>(REG_SZ));
    Started remover = StartWithCommandLine(nullptr, quiet.bytes.substr(0, quiet.bytes.find('\0')), work);
    ASSERT_NE(remover.process, nullptr);
    std::vector<std::string> windows;
    ASSERT_TRUE(WaitUntil([&] {
        NoteRemoverWindows(&windows);
        return WaitForSingleObject(remover.process, 0) != WAIT_TIMEOUT;
    }, 60000)) << "the uninstall command did not end";
    EXPECT_FALSE(FileExists("C:\\Marvane\\Marvane.exe")) << "ended before the removal";
    EXPECT_FALSE(SectionExists());
    EXPECT_FALSE(UninstallKeyExists());
    EXPECT_EQ(WaitExit(remover, 1000), EXIT_OK);
    const bool ended = WaitForRemoversWithoutWindows(60000, &windows);
    EXPECT_EQ(windows, std::vector<std::string>()) << "a quiet removal showed a window";
    ASSERT_TRUE(ended) << "the remover did not end";

    ExpectNothingLeft("C:\\Marvane", "Marvane", true);
    ExpectWorkingCopyScheduled();
}

// Run directly and quietly, with blanks in all three: no box at all. A group of
// another name keeps existing, without the product's items.
TEST_F(Remover, QuietWithBlanksInAllThree)
{
    const std::string dir = "C:\\Program Files\\Marvane Plus";
    Install(dir, "C:\\My Marvane Data", "My Tools");
    WriteFileBytes(ProgramsFolder() + "\\My Tools\\Other.txt", "not ours");
    // Watched while the removers run (the non-quiet scenarios find their boxes the same way).
    Started remover = StartProgram(dir + "\\remove.exe", "-q -f " + dir + " -d C:\\My Marvane Data -g My Tools", work);
    ASSERT_NE(remover.process, nullptr);
    EXPECT_EQ(BoxesUntilRemoversEnd(60000), 0) << "a box in quiet mode (-1: the removers did not end)";
    EXPECT_EQ(WaitExit(remover), 0);
    EXPECT_FALSE(DirExists(dir));
    EXPECT_FALSE(SectionExists());
    EXPECT_FALSE(UninstallKeyExists());
    EXPECT_EQ(GroupItems("My Tools"), std::set<std::string>{"Other.txt"});
    ExpectWorkingCopyScheduled();
}

// A group the user has deleted already is not made again by activating it.
TEST_F(Remover, GroupAlreadyGoneStaysGone)
{
    Install("C:\\Marvane", "C:\\Marvane", "My Tools");
    const std::string folder = ProgramsFolder() + "\\My Tools";
    for (const std::string& item : kAllItems)
        ASSERT_TRUE(DeleteFileA((folder + "\\" + item).c_str())) << item;
    ASSERT_TRUE(RemoveDirectoryA(folder.c_str()));
    ASSERT_EQ(RunProgram("C:\\Marvane\\remove.exe", "-q -f C:\\Marvane -d C:\\Marvane -g My Tools", work), 0);
    ASSERT_TRUE(WaitForRemovers(60000));
    // The shell would make the folder inside the remover's DDE call, as Install()
    // finds the group's folder the moment setup.exe has ended: no later than now.
    EXPECT_FALSE(DirExists(folder));
    EXPECT_FALSE(DirExists("C:\\Marvane"));
    EXPECT_FALSE(UninstallKeyExists());
}

// A file of the user's in the program directory keeps it; the rest goes.
TEST_F(Remover, ForeignFileKeepsTheDirectory)
{
    Install("C:\\Marvane", "C:\\Marvane", "Marvane");
    WriteFileBytes("C:\\Marvane\\notes.txt", "mine");
    Started remover = StartProgram("C:\\Marvane\\remove.exe", "-f C:\\Marvane -d C:\\Marvane -g Marvane", work);
    AnswerBox(Confirmation("C:\\Marvane"), IDYES, "confirm");
    AnswerBox("Marvane Plus has been removed.\n\nThe directory C:\\Marvane still holds other files and was kept.",
              IDOK, "leftover");
    EXPECT_EQ(WaitExit(remover), 0);
    ASSERT_TRUE(WaitForRemovers(60000));
    EXPECT_EQ(ListDir("C:\\Marvane"), std::vector<std::string>{"notes.txt"});
    EXPECT_FALSE(DirExists(ProgramsFolder() + "\\Marvane"));
    EXPECT_FALSE(SectionExists());
    EXPECT_FALSE(UninstallKeyExists());
}

// A file of the product held open (the program running): the rest goes, the box
// says which file stayed, and the record stays with the remover it names, so that
// the list of installed programs finishes the removal once the file is free. The
// working folder an earlier remover left when it was killed goes too; a folder
// that only looks alike stays.
TEST_F(Remover, FileInUseKeepsTheRecord)
{
    Install("C:\\Marvane", "C:\\Marvane", "Marvane");
    const std::string killed = PlatformTempDir() + "MVR0000ABCD", other = PlatformTempDir() + "MVR-not-ours";
    for (const std::string& d : {killed, other}) {
        ASSERT_TRUE(CreateDirectoryA(d.c_str(), nullptr)) << d;
        ASSERT_TRUE(WriteFileBytes(d + "\\remove.exe", "left behind")) << d;
    }
    HANDLE held = CreateFileA("C:\\Marvane\\Marvane.exe", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    // Quietly, as a deployment tool runs it: the uninstall command says so in its code.
    EXPECT_EQ(RunProgram("C:\\Marvane\\remove.exe", "-q -f C:\\Marvane -d C:\\Marvane -g Marvane", work, 60000),
              EXIT_FILE_IN_USE);
    ASSERT_TRUE(WaitForRemovers(60000));
    EXPECT_TRUE(UninstallKeyExists());
    Started remover = StartProgram("C:\\Marvane\\remove.exe", "-f C:\\Marvane -d C:\\Marvane -g Marvane", work);
    AnswerBox(Confirmation("C:\\Marvane"), IDYES, "confirm");
    AnswerBox("Marvane Plus was not removed completely: C:\\Marvane\\Marvane.exe could not be deleted.\n\nClose the "
              "program that uses it, then remove Marvane Plus again.",
              IDOK, "kept");
    EXPECT_EQ(WaitExit(remover), EXIT_FILE_IN_USE);
    ASSERT_TRUE(WaitForRemovers(60000));
    CloseHandle(held);
    const std::vector<std::string> left = ListDir("C:\\Marvane");
    EXPECT_EQ(std::set<std::string>(left.begin(), left.end()), (std::set<std::string>{"Marvane.exe", "remove.exe"}));
    EXPECT_TRUE(SectionExists());
    EXPECT_TRUE(UninstallKeyExists());
    EXPECT_FALSE(DirExists(killed));
    EXPECT_EQ(ReadFileBytes(other + "\\remove.exe"), "left behind");

    ASSERT_NO_FATAL_FAILURE(RemoveThroughUninstaller("C:\\Marvane", "confirm-again"));
    ExpectNothingLeft("C:\\Marvane", "Marvane", true);
}

void ExpectStillInstalled()
{
    for (const PayloadFile& row : fileTable)
        EXPECT_TRUE(FileExists(std::string("C:\\Marvane\\") + row.destName)) << row.destName;
    EXPECT_EQ(GroupItems("Marvane"), kAllItems);
    EXPECT_TRUE(SectionExists());
    EXPECT_TRUE(UninstallKeyExists());
}

// No: nothing changes, no working copy is made, and the code is the user's Cancel.
// While another run (the Installer's, or another remover's) is at work, the copy
// changes nothing either, and the code tells a deployment tool to try again later.
TEST_F(Remover, NoOrAnotherRunChangesNothing)
{
    Install("C:\\Marvane", "C:\\Marvane", "Marvane");
    Started remover = StartProgram("C:\\Marvane\\remove.exe", "-f C:\\Marvane -d C:\\Marvane -g Marvane", work);
    AnswerBox(Confirmation("C:\\Marvane"), IDNO, "no");
    EXPECT_EQ(WaitExit(remover), EXIT_CANCELLED);
    EXPECT_TRUE(WaitForRemovers(10000));
    ExpectStillInstalled();
    EXPECT_TRUE(PendingDeletions().empty());

    HANDLE run = CreateMutexA(nullptr, TRUE, "Global\\MarvanePlusSetupRun");
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(RunProgram("C:\\Marvane\\remove.exe", "-q -f C:\\Marvane -d C:\\Marvane -g Marvane", work, 60000),
              EXIT_BUSY);
    EXPECT_TRUE(WaitForRemovers(60000));
    ReleaseMutex(run);
    CloseHandle(run);
    ExpectStillInstalled();
}

// Without the three switches the remover says how it is used, and does nothing.
TEST_F(Remover, CommandLineWithoutTheSwitches)
{
    Install("C:\\Marvane", "C:\\Marvane", "Marvane");
    Started remover = StartProgram("C:\\Marvane\\remove.exe", "", work);
    HWND box = WaitForWindow("#32770", kCaption, 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_NE(MessageBoxText(box).find("Usage: remove.exe [-q] -f <program directory> -d <data directory> -g <group>"),
              std::string::npos);
    ClickButton(box, IDOK);
    EXPECT_EQ(WaitExit(remover), EXIT_BAD_COMMAND_LINE);
    EXPECT_EQ(RunProgram("C:\\Marvane\\remove.exe", "-q -f relative -d C:\\Marvane -g Marvane", work, 30000),
              EXIT_BAD_COMMAND_LINE);
    for (const PayloadFile& row : fileTable)
        EXPECT_TRUE(FileExists(std::string("C:\\Marvane\\") + row.destName)) << row.destName;
    EXPECT_TRUE(UninstallKeyExists());
}

// The working copy's folder in the temporary directory, found by its name.
std::string WorkingFolder()
{
    const std::string temp = PlatformTempDir();
    for (const std::string& name : ListDir(temp)) {
        if (name.compare(0, 3, "MVR") == 0 && name.size() == 11)
            return temp + name;
    }
    return "";
}

// The allowed entries of an object's DACL, as SID text and flags; "<none>" when
// it has no DACL and "protected" first when it inherits nothing.
std::vector<std::string> AllowedEntries(const std::string& path)
{
    std::vector<std::string> entries;
    DWORD size = 0;
    GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<char> sd(size ? size : 1);
    if (!GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, sd.data(), size, &size))
        return {"<unreadable>"};
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    GetSecurityDescriptorDacl(sd.data(), &present, &acl, &defaulted);
    if (!present || !acl)
        return {"<none>"};
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(sd.data(), &control, &revision);
    if (control & SE_DACL_PROTECTED)
        entries.push_back("protected");
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* ace = nullptr;
        GetAce(acl, i, &ace);
        const ACE_HEADER* header = static_cast<ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            entries.push_back("not allowed-type");
            continue;
        }
        const ACCESS_ALLOWED_ACE* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        char* text = nullptr;
        ConvertSidToStringSidA(const_cast<DWORD*>(&allowed->SidStart), &text);
        char line[160];
        snprintf(line, sizeof line, "%s mask %08lX flags %02X", text ? text : "?",
                 static_cast<unsigned long>(allowed->Mask), header->AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE));
        entries.push_back(line);
        LocalFree(text);
    }
    return entries;
}

std::string CurrentUserSid()
{
    HANDLE token;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    char buffer[256];
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
    CloseHandle(token);
    char* text = nullptr;
    ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text);
    std::string sid = text ? text : "";
    LocalFree(text);
    return sid;
}

// The elevated working copy runs from a folder that only the user, the
// Administrators and SYSTEM may reach, whatever the temporary directory allows.
// Wine keeps no security descriptor of its own for a file: it shows one made from
// the Unix permissions, which is where the difference shows: a folder made with
// the default security there grants Everyone (S-1-1-0) reading.
TEST_F(Remover, WorkingFolderIsTheUsersAlone)
{
    const std::string plain = PlatformTempDir() + "plain-folder";
    ASSERT_TRUE(CreateDirectoryA(plain.c_str(), nullptr));
    std::vector<std::string> plainEntries = AllowedEntries(plain);
    RemoveDirectoryA(plain.c_str());
    ASSERT_TRUE(std::any_of(plainEntries.begin(), plainEntries.end(),
                            [](const std::string& e) { return e.rfind("S-1-1-0 ", 0) == 0; }))
        << ::testing::PrintToString(plainEntries);

    Install("C:\\Marvane", "C:\\Marvane", "Marvane");
    ASSERT_EQ(RunProgram("C:\\Marvane\\remove.exe", "-q -f C:\\Marvane -d C:\\Marvane -g Marvane", work), 0);
    ASSERT_TRUE(WaitForRemovers(60000));
    EXPECT_FALSE(DirExists("C:\\Marvane"));
    const std::string folder = WorkingFolder();
    ASSERT_FALSE(folder.empty());
    const std::string user = CurrentUserSid();
    ASSERT_FALSE(user.empty());
    auto ours = [&](const std::string& e) {
        return e == "protected" || e.rfind(user + " ", 0) == 0 || e.rfind("S-1-5-32-544 ", 0) == 0 ||
               e.rfind("S-1-5-18 ", 0) == 0;
    };
    std::vector<std::string> entries = AllowedEntries(folder);
    ASSERT_FALSE(entries.empty());
    for (const std::string& e : entries)
        EXPECT_TRUE(ours(e)) << folder << ": " << e;
    // Wine's copy keeps the original's Unix permissions, so others may read it; what
    // matters is that nobody else may change it.
    const unsigned long kWrites = FILE_WRITE_DATA | FILE_APPEND_DATA | WRITE_DAC | WRITE_OWNER | DELETE;
    for (const std::string& e : AllowedEntries(folder + "\\remove.exe")) {
        unsigned long mask = 0;
        sscanf(e.c_str() + e.find(" mask ") + 6, "%lx", &mask);
        EXPECT_TRUE(ours(e) || !(mask & kWrites)) << "the copy: " << e;
    }
}

// Windows 95 does not implement MoveFileEx's delayed deletion: the working copy is
// named in WININIT.INI's [rename] section (by its short name), after what other
// programs put there, and nothing goes to the NT list.
TEST_F(Remover, OnWindows95TheCopyGoesThroughWininit)
{
    Install("C:\\Marvane", "C:\\Marvane", "Marvane");
    const std::string wininit = "C:\\windows\\WININIT.INI";
    ASSERT_TRUE(WriteFileBytes(wininit, "[rename]\r\nNUL=C:\\OTHER.TMP\r\n"));
    HKEY wine;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Wine", &wine), ERROR_SUCCESS);
    const char version[] = "win95";
    RegSetValueExA(wine, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), sizeof version);
    int rc = RunProgram("C:\\Marvane\\remove.exe", "-q -f C:\\Marvane -d C:\\Marvane -g Marvane", work);
    bool gone = WaitForRemovers(60000);
    RegDeleteValueA(wine, "Version");
    RegCloseKey(wine);
    ASSERT_EQ(rc, 0);
    ASSERT_TRUE(gone);
    EXPECT_FALSE(DirExists("C:\\Marvane"));

    const std::string folder = WorkingFolder();
    ASSERT_FALSE(folder.empty());
    char shortCopy[MAX_PATH];
    ASSERT_NE(GetShortPathNameA((folder + "\\remove.exe").c_str(), shortCopy, sizeof shortCopy), 0u);
    EXPECT_EQ(ReadFileBytes(wininit), "[rename]\r\nNUL=C:\\OTHER.TMP\r\nNUL=" + std::string(shortCopy) + "\r\n");
    for (const std::string& p : PendingDeletions())
        EXPECT_EQ(p.find("\\MVR"), std::string::npos) << p;
}

}  // namespace
