// The DDE client against the shell that answers "PROGMAN" in the prefix (Wine's
// explorer), which keeps groups as folders of the Start Menu.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "payload/filetable.h"
#include "shell/progman.h"
#include "support/winhelp.h"

namespace {

const char kProgramDir[] = "C:\\Marvane";

std::string ProgramsFolder()
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// The entries of a group's folder, sorted; empty when the folder is missing.
std::vector<std::string> GroupEntries(const std::string& group)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((ProgramsFolder() + "\\" + group + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// What the install's group step sends.
void InstallItems(const char* group)
{
    ASSERT_TRUE(ProgmanCreateGroup(group));
    for (int i = 0; i < fileCount; ++i) {
        const PayloadFile& row = fileTable[i];
        if (!row.makeIcon)
            continue;
        std::string path = std::string(kProgramDir) + "\\" + row.destName;
        ProgmanReplaceItem(row.iconTitle, kProgramDir, row.destName, path.c_str());
    }
    ProgmanClose();
}

// What the removal sends: activate the group, delete the items, then the group.
void RemoveItems(const char* group)
{
    ProgmanCreateGroup(group);
    for (int i = 0; i < fileCount; ++i) {
        const PayloadFile& row = fileTable[i];
        if (!row.makeIcon)
            continue;
        std::string path = std::string(kProgramDir) + "\\" + row.destName;
        ProgmanDeleteItem(row.iconTitle, path.c_str());
    }
    ProgmanDeleteGroup(group);
}

const std::vector<std::string> kLinks = {"Marvane Help File.lnk", "Marvane Release Notes.lnk", "Marvane.lnk",
                                         "Uninstall Marvane.lnk"};

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
    EXPECT_EQ(GroupEntries("Marvane"), kLinks);
    // The shell shows the group in a folder window of its own process.
    WaitForWindow(nullptr, "Marvane", 10000);
    Sleep(500);
    SaveScreenshot("shell_wine_group_created");
    InstallItems("Marvane");
    EXPECT_EQ(GroupEntries("Marvane"), kLinks);
    for (const std::string& link : kLinks)
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
    ASSERT_EQ(GroupEntries("Marvane"), kLinks);
    RemoveItems("Marvane");
    EXPECT_TRUE(GroupEntries("Marvane").empty());
    EXPECT_FALSE(DirExists(ProgramsFolder() + "\\Marvane"));
}

TEST_F(WineShell, GroupOfAnotherNameStaysWithItsItemsDeleted)
{
    InstallItems("Other Apps");
    ASSERT_EQ(GroupEntries("Other Apps"), kLinks);
    WriteFileBytes(ProgramsFolder() + "\\Other Apps\\keep.txt", "not ours");
    RemoveItems("Other Apps");
    EXPECT_TRUE(DirExists(ProgramsFolder() + "\\Other Apps"));
    EXPECT_EQ(GroupEntries("Other Apps"), std::vector<std::string>{"keep.txt"});
    EXPECT_EQ(ddeReady, 0);
}

}  // namespace
