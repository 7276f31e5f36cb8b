// The directory prompt, the source search, the program directory prompt and the picker,
// driven as a user would from a second thread.
#include <gtest/gtest.h>

#include <windows.h>
#include <dlgs.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dialogs/driver.h"
#include "install/prompts.h"
#include "resources/resource.h"
#include "startup/state.h"
#include "support/winhelp.h"

namespace {

bool SamePath(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

class Prompts : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseTestModule();
        installer.quietMode = 0;
        installer.logEnabled = 0;
        dirDialogCaption[0] = '\0';
        CopyText(browseFileName, sizeof browseFileName, "a");
        GetCurrentDirectoryA(sizeof savedCwd, savedCwd);
        base = FreshTestDir();
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(savedCwd);
        installer.logEnabled = 0;
    }

    std::string MakeDir(const std::string& name)
    {
        std::string dir = base + "\\" + name;
        CreateDirectoryA(dir.c_str(), nullptr);
        return dir;
    }

    std::string base;
    char savedCwd[MAX_PATH];
};

// ---------------------------------------------------------------- the directory prompt

TEST_F(Prompts, DirectoryPromptAnswersWithTheEditTextOrNothing)
{
    struct Case {
        const char* what;
        const char* caption;  // dirDialogCaption
        const char* typed;    // null: nothing typed
        Dismissal action;
        int result;
        const char* answer;  // expected content of the answer buffer
    };
    const Case cases[] = {
        {"OK keeps the initial text", "", nullptr, PRESS_OK, 1, "C:\\Initial"},
        {"typed text comes back untrimmed", "DATA files directory", "  D:\\Data dir  ", PRESS_OK, 1,
         "  D:\\Data dir  "},
        {"an empty answer is passed on", "", "", PRESS_OK, 1, ""},
        {"Cancel leaves the answer alone", "DATA files directory", nullptr, PRESS_CANCEL, 0, "untouched"},
        {"the close box is Cancel", "", nullptr, CLOSE_BOX, 0, "untouched"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CopyText(dirDialogCaption, sizeof dirDialogCaption, c.caption);
        char answer[PROMPT_CHARS] = "untouched";
        Background call([&] { return AskDirectory(nullptr, installer.instance, "Where shall it go?", "C:\\Initial", answer); });
        const char* caption = c.caption[0] ? c.caption : "Locate Directory";
        HWND dialog = WaitForDialog(call, caption);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(ControlText(dialog, IDC_DIR_PROMPT), "Where shall it go?");
        EXPECT_EQ(ControlText(dialog, IDC_DIR_EDIT), "C:\\Initial");
        EXPECT_EQ(ControlText(dialog, IDC_DIR_BROWSE), "&Browse");
        EXPECT_TRUE(IsCentred(dialog));
        if (&c == &cases[0]) {
            Snapshot("dialogs-getdir");
            EXPECT_TRUE(HasTemplateSize(dialog, 218, 62));
            ExpectLayout(dialog, {
                {IDC_DIR_PROMPT, "Static", 4, 9, 151, 19, 0},
                {IDOK, "Button", 161, 4, 44, 14, BS_DEFPUSHBUTTON},
                {IDCANCEL, "Button", 161, 21, 44, 14, 0},
                {IDC_DIR_EDIT, "Edit", 4, 41, 151, 12, ES_AUTOHSCROLL},
                {IDC_DIR_BROWSE, "Button", 161, 40, 44, 14, 0},
            });
            // The platform may draw the border as a client edge.
            HWND edit = GetDlgItem(dialog, IDC_DIR_EDIT);
            EXPECT_TRUE((GetWindowLongA(edit, GWL_STYLE) & WS_BORDER) ||
                        (GetWindowLongA(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
        }
        if (c.typed)
            TypeText(dialog, IDC_DIR_EDIT, c.typed);
        EXPECT_TRUE(Dismiss(dialog, c.action));
        EXPECT_EQ(call.Result(), c.result);
        EXPECT_STREQ(answer, c.answer);
    }
}

TEST_F(Prompts, DirectoryPromptThatCannotBeCreatedIsCancel)
{
    // A module without the template: the platform cannot create the dialog.
    HINSTANCE other = GetModuleHandleA("kernel32.dll");
    char answer[PROMPT_CHARS] = "untouched";
    Background call([&] { return AskDirectory(nullptr, other, "prompt", "C:\\Initial", answer); });
    EXPECT_EQ(call.Result(5000), 0);
    EXPECT_STREQ(answer, "untouched");
}

// ---------------------------------------------------------------- the source search

// LocateSource for marvane.exe on a thread of its own, from the directory `start`.
struct SourceCall {
    explicit SourceCall(const std::string& start)
        : call([this, start] {
              CopyText(dir, sizeof dir, start.c_str());
              return LocateSource(installer.instance, nullptr, dir, "marvane.exe");
          })
    {
    }
    char dir[PROMPT_CHARS] = "";
    Background call;
};

TEST_F(Prompts, SourceFoundWithoutAPrompt)
{
    std::string plain = MakeDir("plain"), packed = MakeDir("packed"), both = MakeDir("both");
    ASSERT_TRUE(WriteFileBytes(plain + "\\marvane.exe", "MZ"));
    ASSERT_TRUE(WriteFileBytes(packed + "\\marvane.ex_", "SZDD"));
    ASSERT_TRUE(WriteFileBytes(both + "\\marvane.exe", "MZ"));
    ASSERT_TRUE(WriteFileBytes(both + "\\marvane.ex_", "SZDD"));
    struct Case {
        std::string given;
        std::string expected;
    };
    const Case cases[] = {
        {plain, plain + "\\"},
        {plain + "\\", plain + "\\"},
        {packed, packed + "\\"},
        {packed + "\\", packed + "\\"},
        {both, both + "\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        SourceCall s(c.given);
        EXPECT_EQ(s.call.Result(5000), 1);
        EXPECT_EQ(std::string(s.dir), c.expected);
        EXPECT_STREQ(dirDialogCaption, "SOURCE files directory");
    }
}

TEST_F(Prompts, EmptyBaseLooksOnlyForTheCompressedName)
{
    std::string packed = MakeDir("packed"), plain = MakeDir("plain");
    ASSERT_TRUE(WriteFileBytes(packed + "\\marvane.ex_", "SZDD"));
    ASSERT_TRUE(WriteFileBytes(plain + "\\marvane.exe", "MZ"));

    SetCurrentDirectoryA(packed.c_str());
    {
        SourceCall s("");
        EXPECT_EQ(s.call.Result(5000), 1);
        EXPECT_STREQ(s.dir, "");
    }
    SetCurrentDirectoryA(plain.c_str());
    {
        SourceCall s("");
        HWND prompt = WaitForDialog(s.call, "SOURCE files directory");
        ASSERT_NE(prompt, nullptr);
        EXPECT_EQ(ControlText(prompt, IDC_DIR_EDIT), "");
        EXPECT_TRUE(PressAndWaitGone(prompt, IDCANCEL));
        EXPECT_EQ(s.call.Result(), 0);
    }
}

TEST_F(Prompts, MissingSourceAsksUntilADirectoryHoldsIt)
{
    std::string empty = MakeDir("temp"), wrong = MakeDir("wrong"), media = MakeDir("media");
    ASSERT_TRUE(WriteFileBytes(media + "\\marvane.ex_", "SZDD"));
    SourceCall s(empty);
    HWND prompt = WaitForDialog(s.call, "SOURCE files directory");
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(ControlText(prompt, IDC_DIR_PROMPT), "Please locate source directory!");
    EXPECT_EQ(ControlText(prompt, IDC_DIR_EDIT), empty + "\\");
    EXPECT_TRUE(IsCentred(prompt));
    Snapshot("dialogs-source-prompt");
    TypeText(prompt, IDC_DIR_EDIT, wrong);  // no trailing backslash
    ASSERT_TRUE(PressAndWaitGone(prompt, IDOK));

    // Not there either: asked again, from the directory just given.
    prompt = WaitForDialog(s.call, "SOURCE files directory");
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(ControlText(prompt, IDC_DIR_EDIT), wrong + "\\");
    TypeText(prompt, IDC_DIR_EDIT, media);
    ASSERT_TRUE(PressAndWaitGone(prompt, IDOK));

    EXPECT_EQ(s.call.Result(), 1);
    EXPECT_EQ(std::string(s.dir), media + "\\");
    EXPECT_STREQ(browseFileName, "marvane.exe");
}

TEST_F(Prompts, GivingUpOnTheSourceKeepsTheDirectory)
{
    std::string empty = MakeDir("temp");
    SourceCall s(empty);
    HWND prompt = WaitForDialog(s.call, "SOURCE files directory");
    ASSERT_NE(prompt, nullptr);
    TypeText(prompt, IDC_DIR_EDIT, "C:\\elsewhere");
    ASSERT_TRUE(PressAndWaitGone(prompt, IDCANCEL));
    EXPECT_EQ(s.call.Result(), 0);
    EXPECT_EQ(std::string(s.dir), empty);
}

// ---------------------------------------------------------------- the program directory

// Runs AskProgramDir with a plain owner window of its own thread, as the main window would be.
struct ProgramDirCall {
    explicit ProgramDirCall(const std::string& proposal)
        : call([this, proposal] {
              owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                      nullptr, nullptr, nullptr);
              CopyText(dir, sizeof dir, proposal.c_str());
              int r = AskProgramDir(installer.instance, owner, dir);
              DestroyWindow(owner);
              return r;
          })
    {
    }
    char dir[PROMPT_CHARS] = "";
    HWND owner = nullptr;
    Background call;
};

TEST_F(Prompts, ProgramDirectoryIsCreatedFromTheAnswer)
{
    struct Case {
        const char* what;
        std::string proposal;
        std::string typed;  // empty: accept the proposal
        std::string created;
    };
    const Case cases[] = {
        {"the proposal", base + "\\Marvane", "", base + "\\Marvane"},
        {"a typed nested directory", base + "\\Marvane", base + "\\Apps\\Deep\\Marvane", base + "\\Apps\\Deep\\Marvane"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramDirCall p(c.proposal);
        HWND prompt = WaitForDialog(p.call, "PROGRAM files directory");
        ASSERT_NE(prompt, nullptr);
        EXPECT_EQ(ControlText(prompt, IDC_DIR_PROMPT), "Please enter the destination directory:");
        EXPECT_EQ(ControlText(prompt, IDC_DIR_EDIT), c.proposal);
        EXPECT_EQ(GetWindow(prompt, GW_OWNER), p.owner);
        if (&c == &cases[0])
            Snapshot("dialogs-program-dir");
        if (!c.typed.empty())
            TypeText(prompt, IDC_DIR_EDIT, c.typed);
        ASSERT_TRUE(PressAndWaitGone(prompt, IDOK));
        EXPECT_EQ(p.call.Result(), 1);
        EXPECT_EQ(std::string(p.dir), c.created);
        EXPECT_TRUE(DirExists(c.created));
        EXPECT_STREQ(browseFileName, "a");
    }
}

TEST_F(Prompts, ProgramDirectoryThatCannotBeCreatedIsAskedAgain)
{
    std::string drive = MissingDrive();
    SetCurrentDirectoryA(base.c_str());
    installer.logEnabled = 1;
    struct Case {
        const char* what;
        std::string typed;
        std::vector<std::string> creationBoxes;  // the 10003 texts, in order
        std::string secondAnswer;                // empty: the user gives up
    };
    const Case cases[] = {
        {"below a missing drive", drive + "\\Marvane",
         {"Creation of " + drive + " failed. (", "Creation of " + drive + "\\Marvane failed. ("}, ""},
        {"an empty answer", "", {"Creation of  failed. ("}, base + "\\Second"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramDirCall p(base + "\\Proposed");
        HWND prompt = WaitForDialog(p.call, "PROGRAM files directory");
        ASSERT_NE(prompt, nullptr);
        TypeText(prompt, IDC_DIR_EDIT, c.typed);
        ASSERT_TRUE(PressAndWaitGone(prompt, IDOK));

        for (const std::string& start : c.creationBoxes) {
            SeenBox box;
            ASSERT_TRUE(AnswerBox(p.call, "Install", &box));
            EXPECT_EQ(box.text.compare(0, start.size(), start), 0) << box.text;
            EXPECT_EQ(box.owner, nullptr);
        }
        SeenBox failed;
        ASSERT_TRUE(AnswerBox(p.call, "Marvane Plus", &failed));
        EXPECT_EQ(failed.text, "Failed to create requested directory!");
        EXPECT_EQ(failed.owner, p.owner);
        EXPECT_EQ(failed.icon, static_cast<UINT>(MB_ICONERROR));

        // The prompt again, from the answer that failed.
        prompt = WaitForDialog(p.call, "PROGRAM files directory");
        ASSERT_NE(prompt, nullptr);
        EXPECT_EQ(ControlText(prompt, IDC_DIR_EDIT), c.typed);
        if (c.secondAnswer.empty()) {
            ASSERT_TRUE(PressAndWaitGone(prompt, IDCANCEL));
            EXPECT_EQ(p.call.Result(), 0);
        } else {
            TypeText(prompt, IDC_DIR_EDIT, c.secondAnswer);
            ASSERT_TRUE(PressAndWaitGone(prompt, IDOK));
            EXPECT_EQ(p.call.Result(), 1);
            EXPECT_EQ(std::string(p.dir), c.secondAnswer);
            EXPECT_TRUE(DirExists(c.secondAnswer));
        }
    }
    EXPECT_EQ(ReadFileBytes(base + "\\setup.log"),
              "Failed to create requested directory!\r\nFailed to create requested directory!\r\n");
}

// ---------------------------------------------------------------- the picker

// Double-clicks an entry ("[name]" or "[..]") of the picker's directory list.
bool OpenInPicker(HWND picker, const std::string& entry)
{
    HWND list = GetDlgItem(picker, lst2);
    LRESULT index = SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(entry.c_str()));
    if (index == LB_ERR)
        return false;
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(picker, WM_COMMAND, MAKEWPARAM(lst2, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    return true;
}

// The controls both pickers have: the source picker's stand 10 units higher, with
// narrower lists and the buttons (at x) nearer.
std::vector<ControlLayout> PickerLayout(int dy, int listWidth, int x)
{
    return {
        {stc1, "Static", 5, 23 + dy, 162, 9, 0},
        {lst2, "ListBox", 5, 50 + dy, listWidth, -1, WS_VSCROLL},
        {cmb2, "ComboBox", 5, 161 + dy, listWidth, -1, CBS_DROPDOWNLIST},
        {IDOK, "Button", x, 51 + dy, 50, 14, BS_DEFPUSHBUTTON},
        {IDCANCEL, "Button", x, 69 + dy, 50, 14, 0},
        {pshHelp, "Button", x, 109 + dy, 50, 14, 0},
        {edt1, "Edit", 5, 20, listWidth, 12, ES_READONLY | ES_LOWERCASE},
        {lst1, "ListBox", -100, -100, 60, -1, 0},
        {chx1, "Button", -100, -100, 50, 12, 0},
        {stc2, "Static", -100, -100, 60, 9, 0},
        {cmb1, "ComboBox", -100, -100, 60, -1, 0},
    };
}

TEST_F(Prompts, BrowseFromTheProgramPromptPutsThePickedDirectoryInTheField)
{
    std::string start = MakeDir("start");
    std::string inner = MakeDir("start\\inner");
    MakeDir("start\\other");
    CopyText(dirDialogCaption, sizeof dirDialogCaption, "PROGRAM files directory");
    char answer[PROMPT_CHARS] = "";
    Background call([&] {
        return AskDirectory(nullptr, installer.instance, "Please enter the destination directory:", start.c_str(),
                            answer);
    });
    HWND prompt = WaitForDialog(call, "PROGRAM files directory");
    ASSERT_NE(prompt, nullptr);
    ClickButton(prompt, IDC_DIR_BROWSE);

    HWND picker = WaitForDialog(call, "Locate");
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(ControlText(picker, IDC_BROWSE_PROMPT), "Please enter the destination directory:");
    EXPECT_TRUE(HasTemplateSize(picker, 188, 190)) << "DLG_BROWSE";
    EXPECT_TRUE(SamePath(ControlText(picker, stc1), start)) << ControlText(picker, stc1);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(picker, cmb2)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(picker, edt1)));
    std::vector<std::string> entries = ItemTexts(GetDlgItem(picker, lst2));
    EXPECT_NE(std::find(entries.begin(), entries.end(), "[inner]"), entries.end());
    Snapshot("dialogs-picker-browse");
    std::vector<ControlLayout> layout = PickerLayout(10, 120, 133);
    layout.push_back({IDC_BROWSE_PROMPT, "Static", 5, 7, 177, 20, 0});
    ExpectLayout(picker, layout);
    EXPECT_TRUE(HasStaticText(picker, "&Directories:"));
    EXPECT_TRUE(HasStaticText(picker, "Dri&ves:"));

    ASSERT_TRUE(OpenInPicker(picker, "[inner]"));
    EXPECT_TRUE(SamePath(ControlText(picker, stc1), inner)) << ControlText(picker, stc1);
    ASSERT_TRUE(PressAndWaitGone(picker, IDOK));

    // Back in the prompt, which stays open with the picked directory, no backslash at the end.
    EXPECT_TRUE(IsWindowVisible(prompt));
    std::string field = ControlText(prompt, IDC_DIR_EDIT);
    EXPECT_TRUE(SamePath(field, inner)) << field;
    ASSERT_TRUE(PressAndWaitGone(prompt, IDOK));
    EXPECT_EQ(call.Result(), 1);
    EXPECT_TRUE(SamePath(answer, inner)) << answer;
}

TEST_F(Prompts, CancelInThePickerKeepsTheField)
{
    std::string start = MakeDir("start");
    MakeDir("start\\inner");
    char answer[PROMPT_CHARS] = "";
    Background call([&] { return AskDirectory(nullptr, installer.instance, "Where?", start.c_str(), answer); });
    HWND prompt = WaitForDialog(call, "Locate Directory");
    ASSERT_NE(prompt, nullptr);
    std::string typed = base + "\\not yet there";
    TypeText(prompt, IDC_DIR_EDIT, typed);
    ClickButton(prompt, IDC_DIR_BROWSE);
    HWND picker = WaitForDialog(call, "Locate");
    ASSERT_NE(picker, nullptr);
    // The typed directory does not exist, so the picker starts elsewhere; move anyway, then cancel.
    ASSERT_TRUE(OpenInPicker(picker, "[..]"));
    ASSERT_TRUE(PressAndWaitGone(picker, IDCANCEL));
    EXPECT_EQ(ControlText(prompt, IDC_DIR_EDIT), typed);
    ASSERT_TRUE(PressAndWaitGone(prompt, IDOK));
    EXPECT_EQ(call.Result(), 1);
    EXPECT_EQ(std::string(answer), typed);
}

TEST_F(Prompts, BrowseForTheSourceUsesTheSourcePicker)
{
    std::string temp = MakeDir("temp");
    std::string media = MakeDir("media");
    ASSERT_TRUE(WriteFileBytes(media + "\\marvane.ex_", "SZDD"));
    SourceCall s(temp);
    HWND prompt = WaitForDialog(s.call, "SOURCE files directory");
    ASSERT_NE(prompt, nullptr);
    ClickButton(prompt, IDC_DIR_BROWSE);

    HWND picker = WaitForDialog(s.call, "Locate");
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(GetDlgItem(picker, IDC_BROWSE_PROMPT), nullptr);
    EXPECT_TRUE(HasStaticText(picker, "Please help me locate the source files directory!"));
    EXPECT_TRUE(HasTemplateSize(picker, 175, 183)) << "DLG_GETSRCDIR";
    EXPECT_TRUE(SamePath(ControlText(picker, stc1), temp)) << ControlText(picker, stc1);
    Snapshot("dialogs-picker-source");
    ExpectLayout(picker, PickerLayout(0, 107, 119));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(picker, edt1)));
    EXPECT_TRUE(HasStaticText(picker, "&Directories:"));

    ASSERT_TRUE(OpenInPicker(picker, "[..]"));
    ASSERT_TRUE(OpenInPicker(picker, "[media]"));
    ASSERT_TRUE(PressAndWaitGone(picker, IDOK));
    std::string field = ControlText(prompt, IDC_DIR_EDIT);
    EXPECT_TRUE(SamePath(field, media)) << field;
    ASSERT_TRUE(PressAndWaitGone(prompt, IDOK));

    EXPECT_EQ(s.call.Result(), 1);
    EXPECT_TRUE(SamePath(s.dir, media + "\\")) << s.dir;
}

TEST_F(Prompts, PickerWithoutItsTemplateReturnsNothing)
{
    // The templates come from installer.instance: without them the picker cannot open.
    HINSTANCE saved = installer.instance;
    installer.instance = GetModuleHandleA("kernel32.dll");
    char result[BROWSE_CHARS] = "";
    Background call([&] { return BrowseForDirectory(nullptr, "a", base.c_str(), result); });
    EXPECT_EQ(call.Result(5000), 0);
    installer.instance = saved;
}

}  // namespace
