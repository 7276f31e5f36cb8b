// The install-or-remove choice and the group prompt, driven as a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialogs/driver.h"
#include "install/choice.h"
#include "resources/resource.h"
#include "startup/state.h"
#include "support/installed.h"
#include "support/winhelp.h"

namespace {

class Choice : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseTestModule();
        installer.installRequested = 0;
        installer.removeRequested = 0;
        installer.quietMode = 0;
        WriteProfileStringA("Marvane", nullptr, nullptr);
    }
    void TearDown() override
    {
        installer.installRequested = 0;
        installer.removeRequested = 0;
        WriteProfileStringA("Marvane", nullptr, nullptr);
    }
};

TEST_F(Choice, SwitchesAnswerWithoutTheDialog)
{
    struct Case {
        int install, remove, mode;
    };
    const Case cases[] = {{1, 0, MODE_INSTALL}, {0, 1, MODE_REMOVE}, {1, 1, MODE_INSTALL}};
    WriteProfileStringA("Marvane", "DIR", "C:\\Marvane");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "install " << c.install << " remove " << c.remove);
        installer.installRequested = c.install;
        installer.removeRequested = c.remove;
        Background call([] { return ChooseInstallMode(nullptr, installer.instance); });
        EXPECT_EQ(call.Result(3000), c.mode);
    }
}

TEST_F(Choice, InstallDialogWithoutARecordOffersOnlyInstall)
{
    struct Case {
        const char* what;
        const char* recordedDir;  // null: no value at all
        Dismissal action;         // Continue is OK, Exit is Cancel
        int mode;
    };
    const Case cases[] = {
        {"Continue installs", nullptr, PRESS_OK, MODE_INSTALL},
        {"Exit leaves", nullptr, PRESS_CANCEL, MODE_EXIT},
        {"the close box leaves", nullptr, CLOSE_BOX, MODE_EXIT},
        {"an empty DIR is no record", "", PRESS_OK, MODE_INSTALL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteProfileStringA("Marvane", nullptr, nullptr);
        if (c.recordedDir)
            WriteProfileStringA("Marvane", "DIR", c.recordedDir);
        Background call([] { return ChooseInstallMode(nullptr, installer.instance); });
        HWND dialog = WaitForDialog(call, "Install");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(ControlText(dialog, IDC_INSTALL_RADIO), "Install or update Marvane");
        EXPECT_EQ(ControlText(dialog, IDC_REMOVE_RADIO), "Remove prior installation of Marvane");
        EXPECT_TRUE(HasStaticText(dialog, "Installation/Removal process"));
        EXPECT_EQ(ControlText(dialog, IDOK), "Continue");
        EXPECT_EQ(ControlText(dialog, IDCANCEL), "Exit");
        EXPECT_TRUE(IsChecked(dialog, IDC_INSTALL_RADIO));
        EXPECT_FALSE(IsChecked(dialog, IDC_REMOVE_RADIO));
        EXPECT_FALSE(IsEnabled(dialog, IDC_REMOVE_RADIO));
        EXPECT_TRUE(IsCentred(dialog));
        if (&c == &cases[0]) {
            Snapshot("dialogs-install-no-record");
            EXPECT_TRUE(HasTemplateSize(dialog, 194, 97));
            ExpectLayout(dialog, {
                {IDC_INSTALL_RADIO, "Button", 7, 35, 180, 10, BS_AUTORADIOBUTTON},
                {IDC_REMOVE_RADIO, "Button", 7, 51, 180, 10, BS_AUTORADIOBUTTON},
                {IDCANCEL, "Button", 81, 76, 50, 14, 0},
                {IDOK, "Button", 137, 76, 50, 14, BS_DEFPUSHBUTTON},
            });
        }
        EXPECT_TRUE(Dismiss(dialog, c.action));
        EXPECT_EQ(call.Result(), c.mode);
    }
}

TEST_F(Choice, InstallDialogWithARecordOffersRemoval)
{
    WriteProfileStringA("Marvane", "DIR", "C:\\Marvane");
    struct Case {
        bool pickRemove;
        int mode;
    };
    for (const Case& c : {Case{true, MODE_REMOVE}, Case{false, MODE_INSTALL}}) {
        SCOPED_TRACE(c.pickRemove ? "remove picked" : "install kept");
        Background call([] { return ChooseInstallMode(nullptr, installer.instance); });
        HWND dialog = WaitForDialog(call, "Install");
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(IsEnabled(dialog, IDC_REMOVE_RADIO));
        EXPECT_TRUE(IsChecked(dialog, IDC_INSTALL_RADIO));
        EXPECT_FALSE(IsChecked(dialog, IDC_REMOVE_RADIO));
        if (c.pickRemove) {
            Snapshot("dialogs-install-with-record");
            // Sent, not posted: the check marks are read once the click has been handled.
            ASSERT_TRUE(ClickButtonNow(dialog, IDC_REMOVE_RADIO));
            EXPECT_TRUE(IsChecked(dialog, IDC_REMOVE_RADIO));
            EXPECT_FALSE(IsChecked(dialog, IDC_INSTALL_RADIO));
        }
        EXPECT_TRUE(PressAndWaitGone(dialog, IDOK));
        EXPECT_EQ(call.Result(), c.mode);
    }
}

TEST_F(Choice, InstallDialogThatCannotBeCreatedMeansExit)
{
    HINSTANCE other = GetModuleHandleA("kernel32.dll");
    Background call([other] { return ChooseInstallMode(nullptr, other); });
    EXPECT_EQ(call.Result(5000), MODE_EXIT);
}

// ---------------------------------------------------------------- the group prompt

// The groups as the shell keeps them: the folders of the Start Menu's Programs.
std::vector<std::string> ShellGroups()
{
    const std::string programs = ProgramsFolder();
    std::vector<std::string> groups;
    for (const std::string& name : ListDir(programs))
        if (DirExists(programs + "\\" + name))
            groups.push_back(name);
    return groups;
}

bool CaseInsensitiveLess(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) < 0;
}

class Group : public Choice {
protected:
    void SetUp() override
    {
        Choice::SetUp();
        CopyText(installer.groupName, sizeof installer.groupName, "Marvane");
    }
};

TEST_F(Group, ListsTheShellsGroupsSortedAndProposesTheName)
{
    // Two groups of our own, made in reverse order, so the sorting shows.
    const std::string programs = ProgramsFolder();
    ASSERT_TRUE(DirExists(programs)) << programs;
    CreateDirectoryA((programs + "\\Zebra Tools").c_str(), nullptr);
    CreateDirectoryA((programs + "\\Alpha Tools").c_str(), nullptr);

    struct Case {
        const char* proposed;
    };
    for (const Case& c : {Case{"Marvane"}, Case{"Recorded Group"}}) {
        SCOPED_TRACE(c.proposed);
        CopyText(installer.groupName, sizeof installer.groupName, c.proposed);
        Background call([] { return AskGroupName(nullptr, installer.instance); });
        HWND dialog = WaitForDialog(call, "Program Manager Group");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(ControlText(dialog, IDC_GROUP_PROMPT),
                  "Please enter the name of the Program Manager group for this application:");
        EXPECT_EQ(ControlText(dialog, IDC_GROUP_COMBO), c.proposed);
        EXPECT_TRUE(IsCentred(dialog));

        std::vector<std::string> expected = ShellGroups();
        ASSERT_NE(std::find(expected.begin(), expected.end(), "Zebra Tools"), expected.end());
        std::sort(expected.begin(), expected.end(), CaseInsensitiveLess);
        EXPECT_EQ(ItemTexts(GetDlgItem(dialog, IDC_GROUP_COMBO)), expected);
        if (std::string(c.proposed) == "Marvane") {
            EXPECT_TRUE(HasTemplateSize(dialog, 227, 53));
            ExpectLayout(dialog, {
                {IDC_GROUP_PROMPT, "Static", 7, 8, 155, 19, 0},
                {IDOK, "Button", 174, 13, 44, 14, BS_DEFPUSHBUTTON},
                {IDCANCEL, "Button", 174, 30, 44, 14, 0},
                {IDC_GROUP_COMBO, "ComboBox", 7, 31, 153, -1, CBS_SORT},
            });
            // An edit field with a drop-down list, not a drop-down-only list.
            EXPECT_EQ(GetWindowLongA(GetDlgItem(dialog, IDC_GROUP_COMBO), GWL_STYLE) & 3, CBS_DROPDOWN);
            SendMessageA(GetDlgItem(dialog, IDC_GROUP_COMBO), CB_SHOWDROPDOWN, TRUE, 0);
            Snapshot("dialogs-group");
            SendMessageA(GetDlgItem(dialog, IDC_GROUP_COMBO), CB_SHOWDROPDOWN, FALSE, 0);
        }
        EXPECT_TRUE(PressAndWaitGone(dialog, IDOK));
        EXPECT_EQ(call.Result(), 1);
        EXPECT_STREQ(installer.groupName, c.proposed);
    }
}

TEST_F(Group, TakesTheTypedOrChosenNameOrNothingOnCancel)
{
    const std::string longName(300, 'g');
    struct Case {
        const char* what;
        bool pick;  // chosen from the list rather than typed
        std::string text;
        Dismissal action;
        int result;
        std::string groupAfter;
    };
    std::vector<std::string> groups = ShellGroups();
    ASSERT_FALSE(groups.empty());
    const Case cases[] = {
        {"a new name", false, "Brand New Group", PRESS_OK, 1, "Brand New Group"},
        {"an empty name", false, "", PRESS_OK, 1, ""},
        {"an existing group from the list", true, groups[0], PRESS_OK, 1, groups[0]},
        {"a long name is cut to 255", false, longName, PRESS_OK, 1, longName.substr(0, 255)},
        {"Cancel keeps the name", false, "Typed But Cancelled", PRESS_CANCEL, 0, "Marvane"},
        {"the close box is Cancel", false, "Typed But Closed", CLOSE_BOX, 0, "Marvane"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CopyText(installer.groupName, sizeof installer.groupName, "Marvane");
        Background call([] { return AskGroupName(nullptr, installer.instance); });
        HWND dialog = WaitForDialog(call, "Program Manager Group");
        ASSERT_NE(dialog, nullptr);
        HWND combo = GetDlgItem(dialog, IDC_GROUP_COMBO);
        if (c.pick) {
            LRESULT index = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(c.text.c_str()));
            ASSERT_NE(index, CB_ERR);
            SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        } else {
            TypeText(dialog, IDC_GROUP_COMBO, c.text);
        }
        EXPECT_TRUE(Dismiss(dialog, c.action));
        EXPECT_EQ(call.Result(), c.result);
        EXPECT_EQ(std::string(installer.groupName), c.groupAfter);
    }
}

TEST_F(Group, GroupPromptThatCannotBeCreatedIsCancel)
{
    CopyText(installer.groupName, sizeof installer.groupName, "Kept");
    HINSTANCE other = GetModuleHandleA("kernel32.dll");
    Background call([other] { return AskGroupName(nullptr, other); });
    EXPECT_EQ(call.Result(5000), 0);
    EXPECT_STREQ(installer.groupName, "Kept");
}

}  // namespace
