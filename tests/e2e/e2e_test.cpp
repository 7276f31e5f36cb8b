// End-to-end scenarios: the built setup.exe run as a process under Wine, checked by
// what it leaves behind: installed bytes, WIN.INI, the uninstall key, the Start Menu
// items of Wine's shell, setup.log line for line, temporary files and the exit code.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "startup/exitcodes.h"
#include "support/installed.h"
#include "support/winhelp.h"

namespace {

// Sizes of the payload resources stored in setup.exe, in table order.
std::vector<unsigned> ResourceSizes()
{
    std::vector<unsigned> sizes;
    DataFile setup(SetupExe());
    for (const PayloadFile& row : fileTable) {
        HRSRC r = setup.module ? FindResourceA(setup.module, row.resource, "EXE") : nullptr;
        sizes.push_back(r ? SizeofResource(setup.module, r) : 0);
    }
    return sizes;
}

// The installed files, the section and the whole uninstall entry.
void ExpectInstalled(const std::string& dir, const std::string& dataDir, const std::string& group)
{
    ExpectInstalledAsPacked(dir);
    ExpectSection(dir, dataDir, group);
    ExpectUninstallEntry(dir, dataDir, group, PackedKib());
}

void ExpectNothingRecorded()
{
    EXPECT_FALSE(SectionExists());
    EXPECT_FALSE(UninstallKeyExists());
}

// The log of one quiet installation, given the private temporary directory it used.
std::vector<std::string> InstallLog(const std::string& temp, const std::string& dir, bool withIcons = true)
{
    std::vector<std::string> lines;
    std::vector<unsigned> sizes = ResourceSizes();
    for (int i = 0; i < fileCount; ++i)
        lines.push_back("Extracting to " + temp + fileTable[i].destName + ", " + std::to_string(sizes[i]) + " bytes");
    lines.push_back("installing 10 files");
    lines.push_back("");
    for (const PayloadFile& row : fileTable)
        lines.push_back("Copying " + temp + row.sourceName + " to " + dir + "\\" + row.destName);
    if (withIcons) {
        lines.push_back("Creating group");
        for (const PayloadFile& row : fileTable)
            if (row.makeIcon)
                lines.push_back("creating icon for " + dir + "\\" + row.destName);
        lines.push_back("Installation successful!");
    }
    return lines;
}

std::vector<std::string> CleanupLog(const std::string& temp)
{
    std::vector<std::string> lines;
    for (const PayloadFile& row : fileTable)
        lines.push_back("Removing " + temp + row.sourceName);
    return lines;
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& more)
{
    to.insert(to.end(), more.begin(), more.end());
}

// The private temporary directory named in the first extraction line of `lines[from]`.
std::string TempDirOfRun(const std::vector<std::string>& lines, size_t from = 0)
{
    const std::string head = "Extracting to ";
    if (lines.size() <= from || lines[from].compare(0, head.size(), head) != 0)
        return "<no extraction line>";
    std::string rest = lines[from].substr(head.size());
    size_t end = rest.find("Marvane.exe, ");
    return end == std::string::npos ? "<unparsed>" : rest.substr(0, end);
}

void ExpectLog(const std::vector<std::string>& got, const std::vector<std::string>& want)
{
    size_t n = std::max(got.size(), want.size());
    for (size_t i = 0; i < n; ++i) {
        std::string g = i < got.size() ? got[i] : "<missing>";
        std::string w = i < want.size() ? want[i] : "<none>";
        EXPECT_EQ(g, w) << "setup.log line " << i + 1;
    }
}

void ExpectPrivateTempDirGone(const std::string& temp)
{
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    EXPECT_EQ(temp.compare(0, std::strlen(base), base), 0) << temp << " is not inside " << base;
    EXPECT_GT(temp.size(), std::strlen(base) + 1);
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_FALSE(DirExists(temp)) << "temporary directory left behind: " << temp;
}

class E2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        work = FreshTestDir();
        tempBefore = ListDir(PlatformTempDir());
    }
    int Run(const std::string& args, DWORD timeoutMs = 120000) { return RunProgram(SetupExe(), args, work, timeoutMs); }
    std::vector<std::string> Log() { return SplitLines(ReadFileBytes(work + "\\setup.log")); }
    // setup.log holds one complete installation into dir and its cleanup; returns
    // the run's private temporary directory.
    std::string ExpectOneRunLogged(const std::string& dir)
    {
        std::vector<std::string> got = Log();
        std::string temp = TempDirOfRun(got);
        std::vector<std::string> want = InstallLog(temp, dir);
        Append(want, CleanupLog(temp));
        ExpectLog(got, want);
        return temp;
    }
    void ExpectTempUntouched()
    {
        EXPECT_EQ(ListDir(PlatformTempDir()), tempBefore) << "files left in the temporary directory";
    }
    // A screenshot once the window just shown has painted.
    void Shot(const std::string& what)
    {
        Snapshot(TestName() + "-" + what);
    }

    // Interactive helpers: each waits for one window of the running setup.exe.
    HWND Dialog(const char* caption, DWORD timeoutMs = 30000)
    {
        return WaitForWindow("#32770", caption, timeoutMs, process.pid);
    }
    // Starts setup.exe and waits for its main window and its first dialog.
    void StartWithWindows(const std::string& args, HWND* main, HWND* mode)
    {
        process = StartProgram(SetupExe(), args, work);
        *main = WaitForWindow("QXInstal", nullptr, 30000, process.pid);
        ASSERT_NE(*main, nullptr);
        *mode = Dialog("Install");
        ASSERT_NE(*mode, nullptr);
    }
    // Waits for a dialog, checks it came (and what a message box says), screenshots
    // it and presses a button.
    void Answer(const char* caption, int button, const std::string& shot, const char* text = nullptr)
    {
        HWND d = Dialog(caption);
        ASSERT_NE(d, nullptr) << "no dialog \"" << caption << "\"";
        if (text) {
            EXPECT_EQ(MessageBoxText(d), text);
        }
        Shot(shot);
        ClickButton(d, button);
        EXPECT_TRUE(WaitForWindowGone(d)) << "dialog \"" << caption << "\" stayed";
    }

    std::string work;
    std::vector<std::string> tempBefore;
    Started process;
};

TEST_F(E2E, QuietDefaults)
{
    ASSERT_EQ(Run("-q -l"), 0);
    // Made with rights of its own: nothing for Everyone, where a directory made
    // without them (as the root passes on) has an entry.
    ASSERT_TRUE(CreateDirectoryA("C:\\Plain", nullptr));
    EXPECT_NE(EveryoneRights("C:\\Plain"), 0u);
    EXPECT_EQ(EveryoneRights("C:\\Marvane"), 0u);
    ExpectInstalled("C:\\Marvane", "C:\\Marvane", "Marvane");
    EXPECT_EQ(GroupItems("Marvane"), kAllItems);
    ExpectPrivateTempDirGone(ExpectOneRunLogged("C:\\Marvane"));
    ExpectTempUntouched();
}

TEST_F(E2E, QuietTwice)
{
    ASSERT_EQ(Run("-q -l"), 0);
    WriteProfileStringA("Marvane", "INSTOPTS", "7");
    // As an earlier version left it: anybody may change it. Installed over, the
    // recorded directory gets its rights back.
    ASSERT_TRUE(SetRights("C:\\Marvane", "D:(A;OICI;FA;;;WD)"));
    ASSERT_NE(EveryoneRights("C:\\Marvane") & FILE_WRITE_DATA, 0u);
    ASSERT_EQ(Run("-q -l"), 0);
    EXPECT_EQ(EveryoneRights("C:\\Marvane") & (FILE_WRITE_DATA | FILE_ADD_SUBDIRECTORY | DELETE), 0u);
    EXPECT_EQ(GroupItems("Marvane"), kAllItems);  // one item per title
    ExpectInstalled("C:\\Marvane", "C:\\Marvane", "Marvane");
    std::vector<std::string> got = Log();
    ASSERT_EQ(got.size(), 2u * 38u);  // both runs, the second after the first
    std::string first = TempDirOfRun(got), second = TempDirOfRun(got, 38);
    EXPECT_NE(first, second);  // each run has a private directory of its own
    std::vector<std::string> want = InstallLog(first, "C:\\Marvane");
    Append(want, CleanupLog(first));
    Append(want, InstallLog(second, "C:\\Marvane"));
    Append(want, CleanupLog(second));
    ExpectLog(got, want);
    ExpectTempUntouched();
}

TEST_F(E2E, InstallquWritesNoLog)
{
    ASSERT_EQ(Run("-installqu -l"), 0);
    ExpectInstalled("C:\\Marvane", "C:\\Marvane", "Marvane");
    EXPECT_FALSE(FileExists(work + "\\setup.log"));
    ExpectTempUntouched();
}

// The removal's log. rows has a letter per row of the table: "o" deleted, "f" a
// failed deletion, "-" not tried (the remover, while another file stays); all
// deleted when empty. The remover's line comes last.
std::vector<std::string> RemovalLog(const std::string& dir, bool dirRemoved, const std::string& rows = "")
{
    std::vector<std::string> lines = {"", "Removing installation of Marvane from " + dir};
    std::string remover;
    for (int i = 0; i < fileCount; ++i) {
        char state = rows.empty() ? 'o' : rows[i];
        std::string line = "Removing " + dir + "\\" + fileTable[i].destName + (state == 'o' ? " (ok)" : " (failed)");
        if (std::string(fileTable[i].destName) == REMOVER_FILE_NAME)
            remover = state == '-' ? "" : line;
        else
            lines.push_back(line);
    }
    if (!remover.empty())
        lines.push_back(remover);
    for (const PayloadFile& row : fileTable)
        if (row.makeIcon)
            lines.push_back(std::string("Removing icon for ") + row.iconTitle);
    lines.push_back("Removing " + dir + (dirRemoved ? " (ok)" : " (failed)"));
    if (dirRemoved) {
        lines.push_back("Removal process complete.");
        lines.push_back("All files removed.");
    } else {
        lines.push_back("Removal process complete.");
        lines.push_back("Check the directory " + dir + " for excess files");
        lines.push_back("that caused the removal process to not cleanup entirely.");
    }
    return lines;
}

TEST_F(E2E, QuietRemovalThenNothingOnRecord)
{
    ASSERT_EQ(Run("-q"), 0);
    // The help viewer's index beside the help file goes too.
    ASSERT_TRUE(WriteFileBytes("C:\\Marvane\\Marvane.gid", "index"));
    ASSERT_EQ(Run("-r -s -l"), 0);
    for (const PayloadFile& row : fileTable)
        EXPECT_FALSE(FileExists(std::string("C:\\Marvane\\") + row.destName)) << row.destName;
    EXPECT_FALSE(FileExists("C:\\Marvane\\Marvane.gid"));
    EXPECT_FALSE(DirExists("C:\\Marvane"));
    EXPECT_FALSE(DirExists(ProgramsFolder() + "\\Marvane"));
    EXPECT_FALSE(SectionExists());
    EXPECT_FALSE(UninstallKeyExists());  // every file gone: the entry names no remover any more
    std::vector<std::string> want = RemovalLog("C:\\Marvane", true);
    ExpectLog(Log(), want);

    // Nothing on record any more: message 10013 and its own exit code.
    ASSERT_EQ(Run("-r -s -l"), EXIT_NOTHING_TO_REMOVE);
    Append(want, {"Insufficient information available to", "remove this application."});
    ExpectLog(Log(), want);
    ExpectTempUntouched();
}

// A file of the product held open (the program running): the rest goes, the log
// says which file stayed, and the record stays, so that a later removal finishes.
TEST_F(E2E, RemovalWithAFileInUse)
{
    ASSERT_EQ(Run("-q"), 0);
    HANDLE held = CreateFileA("C:\\Marvane\\Marvane.exe", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Run("-r -q -l"), EXIT_FILE_IN_USE);
    CloseHandle(held);
    // The file in use stays, and with the record the remover it names.
    std::vector<std::string> want = RemovalLog("C:\\Marvane", false, "fooo-ooooo");
    ExpectLog(Log(), want);
    EXPECT_EQ(ListDir("C:\\Marvane"), (std::vector<std::string>{"Marvane.exe", "remove.exe"}));
    EXPECT_EQ(Profile("DIR"), "C:\\Marvane");
    EXPECT_TRUE(UninstallKeyExists());

    EXPECT_EQ(Run("-r -q -l"), 0);
    Append(want, RemovalLog("C:\\Marvane", true, "offfofffff"));
    ExpectLog(Log(), want);
    EXPECT_FALSE(DirExists("C:\\Marvane"));
    EXPECT_FALSE(SectionExists());
    EXPECT_FALSE(UninstallKeyExists());
}

// An empty recorded group is the default group, as for the installation: its
// items and the group go, and with them the directory.
TEST_F(E2E, RemovalWithEmptyGroup)
{
    ASSERT_EQ(Run("-q"), 0);
    WriteProfileStringA("Marvane", "GROUP", "");
    ASSERT_EQ(Run("-r -q -l"), 0);
    for (const PayloadFile& row : fileTable)
        EXPECT_FALSE(FileExists(std::string("C:\\Marvane\\") + row.destName)) << row.destName;
    EXPECT_FALSE(DirExists(ProgramsFolder() + "\\Marvane"));
    EXPECT_FALSE(DirExists("C:\\Marvane"));
    EXPECT_FALSE(SectionExists());
    ExpectLog(Log(), RemovalLog("C:\\Marvane", true));
}

TEST_F(E2E, RemovalWithOtherGroup)
{
    WriteProfileStringA("Marvane", "GROUP", "Corvatek Tools");
    ASSERT_EQ(Run("-q"), 0);
    ExpectInstalled("C:\\Marvane", "C:\\Marvane", "Corvatek Tools");
    EXPECT_EQ(GroupItems("Corvatek Tools"), kAllItems);
    ASSERT_EQ(Run("-r -q -l"), 0);
    EXPECT_TRUE(DirExists(ProgramsFolder() + "\\Corvatek Tools"));  // a group of another name stays
    EXPECT_TRUE(GroupItems("Corvatek Tools").empty());               // but loses the items
    EXPECT_FALSE(DirExists("C:\\Marvane"));
    ExpectLog(Log(), RemovalLog("C:\\Marvane", true));
}

TEST_F(E2E, RecordedDirWithTrailingBackslash)
{
    WriteProfileStringA("Marvane", "DIR", "C:\\Apps\\Marvane\\");
    ASSERT_EQ(Run("-q -l"), 0);
    ExpectInstalledAsPacked("C:\\Apps\\Marvane");
    // The data directory follows the program directory as proposed, before the cut.
    EXPECT_EQ(Profile("DIR"), "C:\\Apps\\Marvane");
    EXPECT_EQ(GroupItems("Marvane"), kAllItems);
    std::vector<std::string> got = Log();
    ASSERT_GT(got.size(), 30u);
    EXPECT_EQ(got[12], "Copying " + TempDirOfRun(got) + "marvane.exe to C:\\Apps\\Marvane\\Marvane.exe");
}

TEST_F(E2E, RecordedDirWithBlanks)
{
    WriteProfileStringA("Marvane", "DIR", "C:\\Program Files\\Marvane Plus");
    WriteProfileStringA("Marvane", "GROUP", "Marvane Plus Tools");
    ASSERT_EQ(Run("-q -l"), 0);
    ExpectInstalled("C:\\Program Files\\Marvane Plus", "C:\\Program Files\\Marvane Plus", "Marvane Plus Tools");
    EXPECT_EQ(GroupItems("Marvane Plus Tools"), kAllItems);
}

TEST_F(E2E, RecordedDataDirUsedQuietly)
{
    WriteProfileStringA("Marvane", "DEFDIR", "C:\\MarvaneData\\Sub\\");
    ASSERT_EQ(Run("-q -l"), 0);
    EXPECT_TRUE(DirExists("C:\\MarvaneData\\Sub"));
    ExpectInstalled("C:\\Marvane", "C:\\MarvaneData\\Sub", "Marvane");
}

// Clicks OK on the next error box of a CreateDirectoryPath failure and returns its text.
std::string AnswerCreationBox(DWORD pid)
{
    HWND box = WaitForWindow("#32770", "Install", 30000, pid);
    if (!box)
        return "<no box>";
    std::string text = MessageBoxText(box);
    ClickButton(box, IDOK);
    WaitForWindowGone(box);
    return text;
}

TEST_F(E2E, ProgramDirCannotBeCreated)
{
    WriteProfileStringA("Marvane", "DIR", "Q:\\Marvane");  // no drive Q: in the prefix
    process = StartProgram(SetupExe(), "-q -l", work);
    std::string first = AnswerCreationBox(process.pid);
    Shot("second-box");
    std::string second = AnswerCreationBox(process.pid);
    EXPECT_EQ(first.rfind("Creation of Q: failed. (", 0), 0u) << first;
    EXPECT_EQ(second.rfind("Creation of Q:\\Marvane failed. (", 0), 0u) << second;
    EXPECT_EQ(WaitExit(process), EXIT_FAILED);  // a refused directory is a failure
    // Nothing recorded: the section holds only what the test wrote, and no key.
    EXPECT_EQ(Profile("DIR"), "Q:\\Marvane");
    EXPECT_EQ(Profile("INSTOPTS"), "<absent>");
    EXPECT_FALSE(UninstallKeyExists());
    std::vector<std::string> got = Log();
    std::string temp = TempDirOfRun(got);
    std::vector<std::string> want(got.begin(), got.begin() + std::min<size_t>(10, got.size()));
    want.push_back("Failed to create requested directory!\r");
    want.push_back("Q:\\Marvane");
    Append(want, CleanupLog(temp));
    ExpectLog(got, want);
    ExpectPrivateTempDirGone(temp);
}

TEST_F(E2E, InteractiveThroughEveryDialog)
{
    HWND main = nullptr, mode = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartWithWindows("-l", &main, &mode));
    EXPECT_EQ(WindowText(main), "Marvane 2.6 Install");
    EXPECT_EQ(ControlText(mode, 1851), "Install or update Marvane");
    EXPECT_EQ(ControlText(mode, 1852), "Remove prior installation of Marvane");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(mode, 1852)));
    Shot("1-mode");
    ClickButton(mode, IDOK);

    // The extraction's progress dialog is up only briefly: catch it if we can.
    HWND progress = WaitForWindow("#32770", "Installation", 3000, process.pid);
    if (progress)
        Shot("2-extraction");

    HWND programPrompt = Dialog("PROGRAM files directory");
    ASSERT_NE(programPrompt, nullptr);
    EXPECT_EQ(ControlText(programPrompt, 3010), "Please enter the destination directory:");
    EXPECT_EQ(ControlText(programPrompt, 954), "C:\\Marvane");
    Shot("3-program-dir");
    ClickButton(programPrompt, IDOK);

    HWND dataPrompt = Dialog("DATA files directory");
    ASSERT_NE(dataPrompt, nullptr);
    EXPECT_EQ(ControlText(dataPrompt, 3010), "Please enter your preferred local data directory:");
    EXPECT_EQ(ControlText(dataPrompt, 954), "C:\\Marvane");
    TypeText(dataPrompt, 954, "C:\\MarvaneData");
    Shot("4-data-dir");
    ClickButton(dataPrompt, IDOK);

    progress = WaitForWindow("#32770", "Installation", 5000, process.pid);
    if (progress)
        Shot("5-copy");

    HWND group = Dialog("Program Manager Group");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(ControlText(group, 2405), "Marvane");
    Shot("6-group");
    ClickButton(group, IDOK);

    ASSERT_NO_FATAL_FAILURE(Answer("Congratulations!", IDOK, "7-done", "Installation successful!"));
    EXPECT_EQ(WaitExit(process), 0);

    EXPECT_TRUE(DirExists("C:\\MarvaneData"));
    ExpectInstalled("C:\\Marvane", "C:\\MarvaneData", "Marvane");
    EXPECT_EQ(GroupItems("Marvane"), kAllItems);
    ExpectOneRunLogged("C:\\Marvane");
    ExpectTempUntouched();
}

// The screen's scale: setup.exe declares itself DPI-aware, so Windows draws its
// text at the screen's resolution (HKCU\Control Panel\Desktop LogPixels, read
// when a program starts) and the dialogs, in dialog units, grow with it. At 96,
// 144 and 192 DPI every dialog stays on the 1024 x 768 screen, every visible
// control inside its dialog and clear of the others (a group box aside), and the
// corner logo, drawn in pixels, inside the main window. Screenshots of each:
// <build>/screenshots/e2e-EveryDialogAtEachScale-<dpi>-*.png.
bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

void ExpectLaidOut(HWND dialog, const std::string& what)
{
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT outer;
    GetWindowRect(dialog, &outer);
    EXPECT_TRUE(Inside(outer, screen)) << what << " leaves the screen";
    RECT client;
    GetClientRect(dialog, &client);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
    std::vector<RECT> placed;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c))
            continue;
        RECT r;
        GetWindowRect(c, &r);
        EXPECT_TRUE(Inside(r, client)) << what << ": control " << GetDlgCtrlID(c) << " is cut off";
        char cls[32] = "";
        GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, "Button") == 0 && (GetWindowLongA(c, GWL_STYLE) & 0xF) == BS_GROUPBOX)
            continue;
        for (const RECT& other : placed) {
            RECT both;
            EXPECT_FALSE(IntersectRect(&both, &r, &other)) << what << ": control " << GetDlgCtrlID(c) << " overlaps";
        }
        placed.push_back(r);
    }
}

TEST_F(E2E, EveryDialogAtEachScale)
{
    // This test reads setup.exe's windows in its own pixels, unscaled.
    SetProcessDPIAware();
    for (DWORD dpi : {96u, 144u, 192u}) {
        SCOPED_TRACE(dpi);
        const std::string at = std::to_string(dpi) + "-";
        HKEY desktop;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop), ERROR_SUCCESS);
        RegSetValueExA(desktop, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
        RegCloseKey(desktop);

        HWND main = nullptr, mode = nullptr;
        ASSERT_NO_FATAL_FAILURE(StartWithWindows("", &main, &mode));
        // The logo's frame in the client area's lower right corner, 10 pixels in.
        RECT client;
        GetClientRect(main, &client);
        POINT corner = {client.right - 11, client.bottom - 11};
        ClientToScreen(main, &corner);
        EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(corner.x, corner.y) == RGB(0, 0, 128); }, 10000));
        ExpectLaidOut(mode, "the choice");
        Shot(at + "1-main-and-choice");
        ClickButton(mode, IDOK);

        HWND program = Dialog("PROGRAM files directory");
        ASSERT_NE(program, nullptr);
        ExpectLaidOut(program, "the program directory");
        Shot(at + "2-program-dir");
        ClickButton(program, IDC_DIR_BROWSE);
        HWND picker = Dialog("Locate");
        ASSERT_NE(picker, nullptr);
        RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, outer;
        GetWindowRect(picker, &outer);
        EXPECT_TRUE(Inside(outer, screen)) << "the picker leaves the screen";
        Shot(at + "3-picker");
        ClickButton(picker, IDCANCEL);
        ASSERT_TRUE(WaitForWindowGone(picker));
        ClickButton(program, IDOK);

        HWND data = Dialog("DATA files directory");
        ASSERT_NE(data, nullptr);
        ExpectLaidOut(data, "the data directory");
        ClickButton(data, IDOK);

        HWND group = Dialog("Program Manager Group");
        ASSERT_NE(group, nullptr);
        ExpectLaidOut(group, "the group");
        Shot(at + "4-group");
        ClickButton(group, IDOK);
        // The shell opens a folder window for the new group: closed, so that it
        // covers neither the closing box nor the next scale's windows.
        if (HWND folder = WaitForWindow(nullptr, "Marvane", 10000)) {
            PostMessageA(folder, WM_CLOSE, 0, 0);
            WaitForWindowGone(folder);
        }
        ASSERT_NO_FATAL_FAILURE(Answer("Congratulations!", IDOK, at + "5-done", "Installation successful!"));
        EXPECT_EQ(WaitExit(process), EXIT_OK);
    }
}

TEST_F(E2E, InteractiveDataDirCancelled)
{
    WriteProfileStringA("Marvane", "DEFDIR", "C:\\Stored Data");
    process = StartProgram(SetupExe(), "", work);
    Answer("Install", IDOK, "mode");
    Answer("PROGRAM files directory", IDOK, "program-dir");
    HWND data = Dialog("DATA files directory");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(ControlText(data, 954), "C:\\Marvane");  // proposes the program directory
    ClickButton(data, IDCANCEL);
    Answer("Program Manager Group", IDOK, "group");
    Answer("Congratulations!", IDOK, "done");
    EXPECT_EQ(WaitExit(process), 0);
    // The stored data directory stays in force, uncreated.
    ExpectInstalled("C:\\Marvane", "C:\\Stored Data", "Marvane");
    EXPECT_FALSE(DirExists("C:\\Stored Data"));
}

TEST_F(E2E, InteractiveGroupCancelled)
{
    process = StartProgram(SetupExe(), "-l", work);
    Answer("Install", IDOK, "mode");
    Answer("PROGRAM files directory", IDOK, "program-dir");
    Answer("DATA files directory", IDOK, "data-dir");
    Answer("Program Manager Group", IDCANCEL, "group");
    ASSERT_NO_FATAL_FAILURE(
        Answer("Marvane 2.6 Install", IDOK, "failed", "Some portion of installation process failed."));
    EXPECT_EQ(WaitExit(process), EXIT_CANCELLED);
    ExpectNothingRecorded();
    ExpectInstalledAsPacked("C:\\Marvane");  // copied files stay
    EXPECT_FALSE(DirExists(ProgramsFolder() + "\\Marvane"));
    std::vector<std::string> got = Log();
    std::string temp = TempDirOfRun(got);
    std::vector<std::string> want = InstallLog(temp, "C:\\Marvane", false);
    want.push_back("Some portion of installation process failed.");
    Append(want, CleanupLog(temp));
    ExpectLog(got, want);
}

// The user leaves at the first question ("Exit"), or cancels the program
// directory's: the user's Cancel, nothing made, nothing recorded, nothing left in
// the temporary directory.
TEST_F(E2E, InteractiveLeftAtTheFirstQuestions)
{
    process = StartProgram(SetupExe(), "-l", work);
    Answer("Install", IDCANCEL, "mode");
    EXPECT_EQ(WaitExit(process), EXIT_CANCELLED);
    EXPECT_FALSE(FileExists(work + "\\setup.log"));

    process = StartProgram(SetupExe(), "-l", work);
    Answer("Install", IDOK, "mode-again");
    Answer("PROGRAM files directory", IDCANCEL, "program-dir");
    ASSERT_NO_FATAL_FAILURE(
        Answer("Marvane 2.6 Install", IDOK, "no-directory", "Can't continue without a destination directory!"));
    EXPECT_EQ(WaitExit(process), EXIT_CANCELLED);

    ExpectTempUntouched();
    ExpectNothingRecorded();
    EXPECT_FALSE(DirExists("C:\\Marvane"));
}

TEST_F(E2E, InteractiveCancelInCopy)
{
    // The copy of ten small files is over in a moment; hold the (optional) DLL open so
    // that its retry prompt keeps the progress dialog up while the user cancels.
    CreateDirectoryA("C:\\Marvane", nullptr);
    WriteFileBytes("C:\\Marvane\\crvtsupt.dll", "old");
    HANDLE lock = CreateFileA("C:\\Marvane\\crvtsupt.dll", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    process = StartProgram(SetupExe(), "-l", work);
    Answer("Install", IDOK, "mode");
    Answer("PROGRAM files directory", IDOK, "program-dir");
    Answer("DATA files directory", IDOK, "data-dir");
    HWND prompt = WaitForWindow("#32770", "Error", 30000, process.pid);
    ASSERT_NE(prompt, nullptr);
    HWND progress = WaitForWindow("#32770", "Installation", 5000, process.pid);
    ASSERT_NE(progress, nullptr);
    Shot("copy-progress");
    // Cancel in the progress dialog, heard by the prompt's loop: sent, so that it has
    // been handled before the prompt is answered.
    ASSERT_TRUE(ClickButtonNow(progress, IDCANCEL));
    ClickButton(prompt, IDCANCEL);  // skip the optional file; the walk then stops
    ASSERT_NO_FATAL_FAILURE(
        Answer("Marvane 2.6 Install", IDOK, "box", "Some portion of installation process failed."));
    EXPECT_EQ(WaitExit(process), EXIT_CANCELLED);
    CloseHandle(lock);
    ExpectNothingRecorded();
    EXPECT_FALSE(DirExists(ProgramsFolder() + "\\Marvane"));
    EXPECT_FALSE(FileExists("C:\\Marvane\\Marvane.hlp"));  // rows after the cancel are not attempted
    std::vector<std::string> got = Log();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(std::count(got.begin(), got.end(), "Some portion of installation process failed."), 1);
    EXPECT_EQ(std::count(got.begin(), got.end(), "Installation successful!"), 0);
}

TEST_F(E2E, CloseDuringRunIsRefused)
{
    HWND main = nullptr, mode = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartWithWindows("", &main, &mode));
    // The system menu's Close while the run is in progress. Sent: when it returns the
    // window has handled it, and an accepted Close would have destroyed it by then.
    ASSERT_TRUE(SendAndWait(main, WM_CLOSE));
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(WaitForSingleObject(process.process, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    // The run goes on to its own end: "Exit" in the first dialog is still the user's Cancel.
    ASSERT_TRUE(IsWindowVisible(mode));
    ClickButton(mode, IDCANCEL);
    EXPECT_EQ(WaitExit(process), EXIT_CANCELLED);
}

// Release.txt held open without sharing (as a running viewer would): the required
// copy cannot create it. (A read-only attribute does not stop root under Wine.)
HANDLE LockReleaseNotes()
{
    CreateDirectoryA("C:\\Marvane", nullptr);
    WriteFileBytes("C:\\Marvane\\Release.txt", "old notes");
    return CreateFileA("C:\\Marvane\\Release.txt", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST_F(E2E, RequiredFileLockedCancel)
{
    HANDLE lock = LockReleaseNotes();
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    process = StartProgram(SetupExe(), "-q -l", work);
    // The retry prompt appears in quiet mode too, with the platform's default caption.
    HWND prompt = WaitForWindow("#32770", "Error", 60000, process.pid);
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(MessageBoxText(prompt), "Failed to open destination file Release.txt");
    EXPECT_NE(GetDlgItem(prompt, IDRETRY), nullptr);
    EXPECT_NE(GetDlgItem(prompt, IDCANCEL), nullptr);
    // Meanwhile the extracted containers wait in a folder nobody else may enter.
    const std::string temp = TempDirOfRun(Log());
    EXPECT_TRUE(DirExists(temp)) << temp;
    EXPECT_EQ(EveryoneRights(temp), 0u) << temp;
    Shot("retry-prompt");
    ClickButton(prompt, IDCANCEL);
    EXPECT_EQ(WaitExit(process), EXIT_FAILED);  // a copy given up is a failure, not the user's Cancel
    ExpectNothingRecorded();
    std::vector<std::string> got = Log();
    bool copyFailed = false;
    for (const std::string& line : got)
        if (line.rfind("Copy of release.txt to C:\\Marvane failed. (", 0) == 0)
            copyFailed = true;
    EXPECT_TRUE(copyFailed);
    EXPECT_EQ(std::count(got.begin(), got.end(), "Some portion of installation process failed."), 1);
    EXPECT_EQ(std::count(got.begin(), got.end(), "Copying " + TempDirOfRun(got) + "remove.exe to C:\\Marvane\\remove.exe"), 0);
    CloseHandle(lock);
}

TEST_F(E2E, RequiredFileLockedRetry)
{
    HANDLE lock = LockReleaseNotes();
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    process = StartProgram(SetupExe(), "-q -l", work);
    HWND prompt = WaitForWindow("#32770", "Error", 60000, process.pid);
    CloseHandle(lock);  // the cause is fixed
    ASSERT_NE(prompt, nullptr);
    ClickButton(prompt, IDRETRY);
    EXPECT_EQ(WaitExit(process), 0);
    ExpectInstalled("C:\\Marvane", "C:\\Marvane", "Marvane");
}

}  // namespace
