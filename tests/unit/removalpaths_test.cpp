// The one list of what a removal deletes, in its order, for both removals.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "payload/filetable.h"
#include "payload/removalpaths.h"

namespace {

typedef std::vector<std::pair<std::string, int>> Paths;

void Collect(const char* path, RemovalKind kind, void* context)
{
    static_cast<Paths*>(context)->push_back({path, kind});
}

// The directories as a removal has them: the web directory is the program directory.
Paths ListFor(const std::string& dir, const std::string& dataDir = "C:\\Data")
{
    Paths paths;
    bool fits = ForEachRemovalPath(InstallDirs{dir.c_str(), dataDir.c_str(), dir.c_str()}, Collect, &paths);
    EXPECT_EQ(fits, !paths.empty());
    return paths;
}

// The remover goes last: while a file stays, so does the record that names it.
TEST(RemovalPaths, EveryFileInTableOrderWithTheHelpIndexAndTheRemoverLast)
{
    const Paths expected = {
        {"C:\\Marvane\\Marvane.exe", REMOVAL_FILE}, {"C:\\Marvane\\crvtsupt.dll", REMOVAL_FILE},
        {"C:\\Marvane\\Marvane.hlp", REMOVAL_FILE}, {"C:\\Marvane\\Marvane.gid", REMOVAL_COMPANION},
        {"C:\\Marvane\\Release.txt", REMOVAL_FILE}, {"C:\\Marvane\\down1.wav", REMOVAL_FILE},
        {"C:\\Marvane\\down2.wav", REMOVAL_FILE},   {"C:\\Marvane\\down3.wav", REMOVAL_FILE},
        {"C:\\Marvane\\up.wav", REMOVAL_FILE},      {"C:\\Marvane\\marvane.bmp", REMOVAL_FILE},
        {"C:\\Marvane\\remove.exe", REMOVAL_REMOVER},
    };
    EXPECT_EQ(ListFor("C:\\Marvane"), expected);
    // A root directory keeps its one backslash.
    EXPECT_EQ(ListFor("D:\\").front().first, "D:\\Marvane.exe");
}

// Rows are looked for where the installation put them: data rows in the data
// directory, web rows in the program directory. The help index follows its file
// in any letter case.
TEST(RemovalPaths, DestinationSelectorsAndLetterCase)
{
    const PayloadFile saved[3] = {fileTable[0], fileTable[1], fileTable[2]};
    fileTable[0].destDir = DIR_WEB;
    fileTable[1].destDir = DIR_DATA;
    fileTable[2].destName = "HELP.HLP";
    Paths paths = ListFor("C:\\P", "D:\\Data");
    for (int i = 0; i < 3; ++i)
        fileTable[i] = saved[i];
    ASSERT_GE(paths.size(), 4u);
    EXPECT_EQ(paths[0], (std::pair<std::string, int>{"C:\\P\\Marvane.exe", REMOVAL_FILE}));
    EXPECT_EQ(paths[1], (std::pair<std::string, int>{"D:\\Data\\crvtsupt.dll", REMOVAL_FILE}));
    EXPECT_EQ(paths[2], (std::pair<std::string, int>{"C:\\P\\HELP.HLP", REMOVAL_FILE}));
    EXPECT_EQ(paths[3], (std::pair<std::string, int>{"C:\\P\\HELP.gid", REMOVAL_COMPANION}));
}

// A directory so long that one path would be cut names no file at all: the whole
// list is refused, not the files whose paths still fit.
TEST(RemovalPaths, APathThatDoesNotFitRefusesTheList)
{
    // The longest name is "crvtsupt.dll" (and "marvane.bmp"...): with "\" it takes
    // thirteen of the characters before the terminator.
    EXPECT_TRUE(ListFor(std::string(REMOVAL_PATH_CHARS - 13, 'd')).empty());
    EXPECT_TRUE(ListFor(std::string(REMOVAL_PATH_CHARS - 1 - 7, 'd')).empty());
    Paths exactly = ListFor(std::string(REMOVAL_PATH_CHARS - 1 - 13, 'd'));
    ASSERT_EQ(exactly.size(), 11u);
    EXPECT_EQ(exactly[1].first.size(), static_cast<size_t>(REMOVAL_PATH_CHARS - 1));
}

}  // namespace
