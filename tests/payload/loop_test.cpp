// The copy loop over the file table and its progress dialog DLG_COPY.
#include <gtest/gtest.h>

#include <cstring>

#include "install/messages.h"
#include "payload/copy.h"
#include "payload/lzlib.h"
#include "payload_support.h"
#include "startup/state.h"
#include "support/winhelp.h"

namespace {

// ---- The dialog template ------------------------------------------------------------

struct TemplateReader {
    const BYTE* p;
    WORD Word()
    {
        WORD w;
        std::memcpy(&w, p, 2);
        p += 2;
        return w;
    }
    DWORD Dword()
    {
        DWORD d;
        std::memcpy(&d, p, 4);
        p += 4;
        return d;
    }
    // A string, or "#<n>" for an ordinal.
    std::string SzOrOrd()
    {
        WORD first = Word();
        if (first == 0xFFFF)
            return "#" + std::to_string(Word());
        std::string s;
        for (WORD c = first; c; c = Word())
            s += static_cast<char>(c);
        return s;
    }
    void AlignDword(const BYTE* base) { p += (4 - (p - base) % 4) % 4; }
};

TEST(ProgressDialog, TemplateIsExact)
{
    UseTestModule();
    HRSRC found = FindResourceExA(installer.instance, RT_DIALOG, "DLG_COPY",
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    ASSERT_NE(found, nullptr);
    const BYTE* base = static_cast<const BYTE*>(LockResource(LoadResource(installer.instance, found)));
    TemplateReader r{base};
    EXPECT_EQ(r.Dword(), static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                            DS_SETFONT));
    EXPECT_EQ(r.Dword(), 0u);  // extended style
    EXPECT_EQ(r.Word(), 2);    // controls
    EXPECT_EQ(r.Word(), 0);
    EXPECT_EQ(r.Word(), 0);
    EXPECT_EQ(r.Word(), 186);
    EXPECT_EQ(r.Word(), 95);
    EXPECT_EQ(r.SzOrOrd(), "");  // menu
    EXPECT_EQ(r.SzOrOrd(), "");  // class
    EXPECT_EQ(r.SzOrOrd(), "Installation");
    EXPECT_EQ(r.Word(), 8);
    EXPECT_EQ(r.SzOrOrd(), "MS Sans Serif");
    struct Item {
        DWORD style;
        short x, y, cx, cy;
        WORD id;
        const char* cls;
        const char* text;
    } items[] = {
        {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 74, 74, 50, 14, 2, "#128", "Cancel"},
        {WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, 7, 7, 172, 60, 954, "#130", ""},
    };
    for (const Item& item : items) {
        r.AlignDword(base);
        EXPECT_EQ(r.Dword(), item.style) << item.id;
        EXPECT_EQ(r.Dword(), 0u);
        EXPECT_EQ(static_cast<short>(r.Word()), item.x);
        EXPECT_EQ(static_cast<short>(r.Word()), item.y);
        EXPECT_EQ(static_cast<short>(r.Word()), item.cx);
        EXPECT_EQ(static_cast<short>(r.Word()), item.cy);
        EXPECT_EQ(r.Word(), item.id);
        EXPECT_EQ(r.SzOrOrd(), item.cls);
        EXPECT_EQ(r.SzOrOrd(), item.text);
        EXPECT_EQ(r.Word(), 0);  // no creation data
    }
}

using Loop = PayloadTest;

TEST_F(Loop, ProgressDialogCentresItselfAndEveryCancelStaysOpen)
{
    struct Case {
        const char* name;
        std::function<void(HWND)> cancel;
    } cases[] = {
        {"Cancel button", [](HWND d) { ClickButton(d, IDCANCEL); }},
        {"close box", [](HWND d) { PostMessageA(d, WM_CLOSE, 0, 0); }},
        {"Escape key", [](HWND d) { PostMessageA(GetDlgItem(d, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0x00010001); }},
    };
    bool first = true;
    for (const Case& c : cases) {
        installer.copyCancelled = 1;  // left from an earlier dialog
        HWND dialog = CreateDialogParamA(installer.instance, "DLG_COPY", owner, CopyDlgProc, 0);
        ASSERT_NE(dialog, nullptr);
        installer.copyDialog = dialog;
        EXPECT_EQ(installer.copyCancelled, 0) << c.name;
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ(WindowText(dialog), "Installation");

        RECT r, desk;
        GetWindowRect(dialog, &r);
        GetWindowRect(GetDesktopWindow(), &desk);
        EXPECT_LE(std::abs((r.left + r.right) / 2 - (desk.left + desk.right) / 2), 1) << c.name;
        EXPECT_LE(std::abs((r.top + r.bottom) / 2 - (desk.top + desk.bottom) / 2), 1) << c.name;
        RECT client, units = {0, 0, 186, 95};
        GetClientRect(dialog, &client);
        MapDialogRect(dialog, &units);
        EXPECT_EQ(client.right, units.right);
        EXPECT_EQ(client.bottom, units.bottom);

        if (first) {
            SetDlgItemTextA(dialog, 954, "Copying Z:\\source\\marvane.exe to C:\\Marvane\\Marvane.exe");
            Snapshot("payload_progress_dialog");
            first = false;
        }

        c.cancel(dialog);
        // The Installer's own pump: it hands the dialog's keys to the dialog.
        WaitUntil([] {
            PumpMessages();
            return installer.copyCancelled != 0;
        }, 5000);
        EXPECT_EQ(installer.copyCancelled, 1) << c.name;
        EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog)) << c.name;  // it never closes itself
        installer.copyDialog = nullptr;
        DestroyWindow(dialog);
    }
}

// ---- The loop ----------------------------------------------------------------------

class CopyLoop : public Loop {
protected:
    void SetUp() override
    {
        Loop::SetUp();
        source = dir + "\\source\\";
        program = dir + "\\program";
        data = dir + "\\data";
        web = dir + "\\web";
        for (const std::string& d : {source, program, data, web})
            CreateDirectoryA(d.c_str(), nullptr);
        for (int i = 0; i < fileCount; ++i) {
            std::string content =
                (i % 2) ? BinaryContent(2000 + 700 * i, 20u + i) : TextContent(4000 + 900 * i, 30u + i);
            expanded.push_back(content);
            WriteFileBytes(source + fileTable[i].sourceName, SzddContainer(content));
        }
    }

    int Run()
    {
        return CopyFiles(installer.instance, owner, source.c_str(), program.c_str(), data.c_str(), web.c_str());
    }
    // The copy, run while its boxes are answered so; `result` gets its answer.
    std::vector<SeenBox> RunAnswering(const std::vector<BoxAnswer>& answers)
    {
        result = -5;
        return WithBoxes(answers, [&] { result = Run(); });
    }
    std::string CopyingLine(int row, const std::string& destDir)
    {
        return "Copying " + source + fileTable[row].sourceName + " to " + destDir + "\\" + fileTable[row].destName;
    }
    std::vector<std::string> LogFor(int rows)
    {
        std::vector<std::string> lines = {"installing " + std::to_string(fileCount) + " files", ""};
        for (int i = 0; i < rows; ++i)
            lines.push_back(CopyingLine(i, program));
        return lines;
    }
    void ExpectCopied(int from, int to)
    {
        for (int i = from; i < to; ++i) {
            EXPECT_EQ(fileTable[i].status, STATUS_COPIED) << i;
            EXPECT_TRUE(ReadFileBytes(program + "\\" + fileTable[i].destName) == expanded[i]) << i;
        }
    }
    void ExpectNotCopied(int from, int to)
    {
        for (int i = from; i < to; ++i) {
            EXPECT_EQ(fileTable[i].status, 0) << i;
            EXPECT_FALSE(FileExists(program + "\\" + fileTable[i].destName)) << i;
        }
    }

    std::string source, program, data, web;
    std::vector<std::string> expanded;
    int result = -5;
};

TEST_F(CopyLoop, EveryRowGoesToItsDirectory)
{
    LogInDir log(dir);
    fileTable[5].destDir = DIR_DATA;
    fileTable[6].destDir = DIR_WEB;
    fileTable[7].destDir = 7;  // anything else is the program directory
    const char* const dirs[] = {program.c_str(), program.c_str(), program.c_str(), program.c_str(),
                                program.c_str(), data.c_str(),    web.c_str(),     program.c_str(),
                                program.c_str(), program.c_str()};
    ProgressWatch watch;
    std::vector<SeenBox> boxes = RunAnswering({});
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(boxes.empty()) << ::testing::PrintToString(boxes);
    EXPECT_EQ(watch.dialogsCreated(), 1);
    EXPECT_EQ(installer.copyDialog, nullptr);

    std::vector<std::string> lines = {"installing " + std::to_string(fileCount) + " files", ""};
    for (int i = 0; i < fileCount; ++i) {
        EXPECT_EQ(fileTable[i].status, STATUS_COPIED) << i;
        EXPECT_TRUE(ReadFileBytes(std::string(dirs[i]) + "\\" + fileTable[i].destName) == expanded[i]) << i;
        lines.push_back(CopyingLine(i, dirs[i]));
    }
    EXPECT_EQ(log.Lines(), lines);
    std::vector<std::string> shown(lines.begin() + 2, lines.end());
    shown.push_back("Creating group and icons.");
    EXPECT_EQ(watch.lines(), shown);
}

// Skipped without a box of its own, but the log says so.
TEST_F(CopyLoop, OptionalRowThatFailsIsSkipped)
{
    LogInDir log(dir);
    DeleteFileA((source + "crvtsupt.dll").c_str());
    std::vector<SeenBox> boxes = RunAnswering({{IDCANCEL, nullptr, ""}});
    EXPECT_EQ(result, 1);
    ASSERT_EQ(boxes.size(), 1u) << ::testing::PrintToString(boxes);
    EXPECT_EQ(boxes[0].text, "Insert disk 1 containing crvtsupt.dll");
    // Row 1 went through from disk 1 first, so the prompt offers Retry.
    EXPECT_EQ(boxes[0].buttons, (std::vector<int>{IDCANCEL, IDRETRY}));
    ExpectCopied(0, 1);
    ExpectNotCopied(1, 2);
    ExpectCopied(2, fileCount);
    std::vector<std::string> lines = LogFor(fileCount);
    lines.insert(lines.begin() + 4, program + "\\crvtsupt.dll was not installed.");
    EXPECT_EQ(log.Lines(), lines);
}

TEST_F(CopyLoop, RequiredRowThatFailsStopsTheWalk)
{
    LogInDir log(dir);
    DeleteFileA((source + "release.txt").c_str());
    ProgressWatch watch;
    std::vector<SeenBox> boxes = RunAnswering({{IDCANCEL, nullptr, ""}, {IDOK, nullptr, ""}});
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.size(), 2u) << ::testing::PrintToString(boxes);
    EXPECT_EQ(boxes[0].text, "Insert disk 1 containing release.txt");
    EXPECT_EQ(boxes[1].caption, "Install");
    ExpectCopied(0, 3);
    ExpectNotCopied(3, fileCount);
    std::vector<std::string> lines = log.Lines();
    std::vector<std::string> expected = LogFor(4);
    ASSERT_EQ(lines.size(), expected.size() + 1);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.end() - 1), expected);
    EXPECT_EQ(lines.back(), boxes[1].text);
    EXPECT_EQ(lines.back().rfind("Copy of release.txt to " + program + " failed. (", 0), 0u);
    EXPECT_EQ(watch.lines().back(), "Creating group and icons.");
}

// Without the expansion library the first (required) row fails as an expansion
// that failed does: the disk prompt, then the copy error; nothing is installed.
TEST_F(CopyLoop, WithoutTheExpansionLibraryNothingIsInstalled)
{
    LogInDir log(dir);
    LzLibraryUseNameForTesting("NOSUCHLZ.DLL");
    std::vector<SeenBox> boxes = RunAnswering({{IDCANCEL, nullptr, ""}, {IDOK, nullptr, ""}});
    LzLibraryUseNameForTesting(nullptr);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.size(), 2u) << ::testing::PrintToString(boxes);
    EXPECT_EQ(boxes[0].text, "Insert disk 1 containing marvane.exe");
    EXPECT_EQ(boxes[1].caption, "Install");
    ExpectNotCopied(0, fileCount);
    std::vector<std::string> lines = log.Lines();
    ASSERT_EQ(lines.size(), LogFor(1).size() + 1);
    EXPECT_EQ(lines.back().rfind("Copy of marvane.exe to " + program + " failed. (", 0), 0u);
    // The copy frees what it loaded.
    EXPECT_EQ(lzInit, nullptr);
}

TEST_F(CopyLoop, CancelEndsTheWalkAfterTheCurrentRowAndFails)
{
    LogInDir log(dir);
    const std::string dll = source + "crvtsupt.dll";
    const std::string dllBytes = ReadFileBytes(dll);
    DeleteFileA(dll.c_str());
    // While row 2 waits on its disk prompt, the user presses Cancel in the progress
    // dialog, then puts the file back and answers Retry: the row finishes, no more.
    auto pressCancel = [&] {
        HWND progress = WaitForWindow("#32770", "Installation", 5000, GetCurrentProcessId());
        Snapshot("payload_progress_with_disk_prompt");
        // Sent: the Cancel has been handled before Retry is pressed.
        EXPECT_TRUE(progress && ClickButtonNow(progress, IDCANCEL));
        WriteFileBytes(dll, dllBytes);
    };
    ProgressWatch watch;
    std::vector<SeenBox> boxes = RunAnswering({{IDRETRY, pressCancel, ""}});
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.size(), 1u) << ::testing::PrintToString(boxes);
    EXPECT_EQ(installer.copyCancelled, 1);
    ExpectCopied(0, 2);
    ExpectNotCopied(2, fileCount);
    EXPECT_EQ(log.Lines(), LogFor(2));
    ASSERT_FALSE(watch.lines().empty());
    EXPECT_EQ(watch.lines().back(), CopyingLine(1, program));  // 10028 is not shown
}

TEST_F(CopyLoop, QuietModeShowsOnlyTheRetryPrompts)
{
    LogInDir log(dir);
    installer.quietMode = 1;
    DeleteFileA((source + "crvtsupt.dll").c_str());
    DeleteFileA((source + "remove.exe").c_str());
    ProgressWatch watch;
    std::vector<SeenBox> boxes = RunAnswering({{IDCANCEL, nullptr, ""}, {IDCANCEL, nullptr, ""}});
    EXPECT_EQ(result, 0);
    EXPECT_EQ(watch.dialogsCreated(), 0);
    ASSERT_EQ(boxes.size(), 2u) << ::testing::PrintToString(boxes);  // the two disk prompts, no error box
    EXPECT_EQ(boxes[0].text, "Insert disk 1 containing crvtsupt.dll");
    EXPECT_EQ(boxes[1].text, "Insert disk 1 containing remove.exe");
    ExpectCopied(0, 1);
    ExpectNotCopied(1, 2);
    ExpectCopied(2, 4);
    ExpectNotCopied(4, fileCount);
    std::vector<std::string> lines = log.Lines();
    ASSERT_EQ(lines.size(), LogFor(5).size() + 2);
    EXPECT_EQ(lines[4], program + "\\crvtsupt.dll was not installed.");
    EXPECT_EQ(lines.back().rfind("Copy of remove.exe to " + program + " failed. (", 0), 0u);
}

// A Cancel pressed during the extraction does not carry over into the copy, with or
// without a dialog.
TEST_F(CopyLoop, EarlierCancelDoesNotCarryOver)
{
    for (int quiet : {0, 1}) {
        installer.quietMode = quiet;
        installer.copyCancelled = 1;
        for (PayloadFile& row : fileTable)
            row.status = 0;
        std::vector<SeenBox> boxes = RunAnswering({});
        EXPECT_EQ(result, 1) << quiet;
        EXPECT_TRUE(boxes.empty()) << ::testing::PrintToString(boxes);
        ExpectCopied(0, fileCount);
    }
}

}  // namespace
