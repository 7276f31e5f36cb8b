// The DDE client against the shell that answers "PROGMAN" in the prefix (Wine's
// explorer), which keeps groups as folders of the Start Menu.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

#include "payload/filetable.h"
#include "shell/progman.h"
#include "support/iconrows.h"
#include "support/installed.h"
#include "support/winhelp.h"

namespace {

const char kProgramDir[] = "C:\\Marvane";

// What the install's group step sends.
void InstallItems(const char* group)
{
    ASSERT_TRUE(ProgmanCreateGroup(group));
    for (const PayloadFile* row : IconRows())
        ProgmanReplaceItem(row->iconTitle, kProgramDir, row->destName,
                           (std::string(kProgramDir) + "\\" + row->destName).c_str());
    ProgmanClose();
}

// What the removal sends: activate the group, delete the items, then the group.
void RemoveItems(const char* group)
{
    ProgmanCreateGroup(group);
    for (const PayloadFile* row : IconRows())
        ProgmanDeleteItem(row->iconTitle, (std::string(kProgramDir) + "\\" + row->destName).c_str());
    ProgmanDeleteGroup(group);
}

class WineShell : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Items need existing targets.
        CreateDirectoryA(kProgramDir, nullptr);
        for (int i = 0; i < fileCount; ++i)
            WriteFileBytes(std::string(kProgramDir) + "\\" + fileTable[i].destName, "stand-in");
    }
};

TEST_F(WineShell, ProgramsFolderIsInThePrefix)
{
    const std::string programs = ProgramsFolder();
    EXPECT_TRUE(DirExists(programs)) << programs;
    EXPECT_NE(programs.find("Start Menu\\Programs"), std::string::npos) << programs;
}

TEST_F(WineShell, InstallMakesOneItemPerTitleEvenTwice)
{
    InstallItems("Marvane");
    EXPECT_EQ(GroupItems("Marvane"), kAllItems);
    // The shell shows the group in a folder window of its own process.
    if (HWND folder = WaitForWindow(nullptr, "Marvane", 10000))
        SendAndWait(folder, WM_NULL);  // up and shown
    Snapshot("shell_wine_group_created");
    InstallItems("Marvane");
    EXPECT_EQ(GroupItems("Marvane"), kAllItems);
    for (const std::string& link : kAllItems)
        EXPECT_FALSE(ReadFileBytes(ProgramsFolder() + "\\Marvane\\" + link).empty()) << link;

    // The real server's "Groups" reply lists the group.
    HWND combo = CreateWindowExA(0, "COMBOBOX", "", WS_POPUP | CBS_DROPDOWN, 0, 0, 200, 200, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(ProgmanListGroups(combo), nullptr);
    EXPECT_GE(SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("Marvane")),
              0);
    EXPECT_EQ(ddeReady, 0);
    DestroyWindow(combo);
}

TEST_F(WineShell, RemovalLeavesNeitherItemsNorTheGroup)
{
    InstallItems("Marvane");
    ASSERT_EQ(GroupItems("Marvane"), kAllItems);
    RemoveItems("Marvane");
    EXPECT_TRUE(GroupItems("Marvane").empty());
    EXPECT_FALSE(DirExists(ProgramsFolder() + "\\Marvane"));
}

TEST_F(WineShell, GroupOfAnotherNameStaysWithItsItemsDeleted)
{
    InstallItems("Other Apps");
    ASSERT_EQ(GroupItems("Other Apps"), kAllItems);
    WriteFileBytes(ProgramsFolder() + "\\Other Apps\\keep.txt", "not ours");
    RemoveItems("Other Apps");
    EXPECT_TRUE(DirExists(ProgramsFolder() + "\\Other Apps"));
    EXPECT_EQ(GroupItems("Other Apps"), std::set<std::string>{"keep.txt"});
    EXPECT_EQ(ddeReady, 0);
}

}  // namespace
