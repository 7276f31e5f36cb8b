// The one list of what a removal deletes, in its order, for both removals.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "payload/filetable.h"
#include "payload/removalpaths.h"

namespace {

typedef std::vector<std::pair<std::string, bool>> Paths;

void Collect(const char* path, bool companion, void* context)
{
    static_cast<Paths*>(context)->push_back({path, companion});
}

// The directories as a removal has them: the web directory is the program directory.
Paths ListFor(const std::string& dir, const std::string& dataDir = "C:\\Data")
{
    Paths paths;
    ForEachRemovalPath(InstallDirs{dir.c_str(), dataDir.c_str(), dir.c_str()}, Collect, &paths);
    return paths;
}

TEST(RemovalPaths, EveryFileInTableOrderWithTheHelpIndex)
{
    const Paths expected = {
        {"C:\\Marvane\\Marvane.exe", false}, {"C:\\Marvane\\crvtsupt.dll", false},
        {"C:\\Marvane\\Marvane.hlp", false}, {"C:\\Marvane\\Marvane.gid", true},
        {"C:\\Marvane\\Release.txt", false}, {"C:\\Marvane\\remove.exe", false},
        {"C:\\Marvane\\down1.wav", false},   {"C:\\Marvane\\down2.wav", false},
        {"C:\\Marvane\\down3.wav", false},   {"C:\\Marvane\\up.wav", false},
        {"C:\\Marvane\\marvane.bmp", false},
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
    EXPECT_EQ(paths[0], (std::pair<std::string, bool>{"C:\\P\\Marvane.exe", false}));
    EXPECT_EQ(paths[1], (std::pair<std::string, bool>{"D:\\Data\\crvtsupt.dll", false}));
    EXPECT_EQ(paths[2], (std::pair<std::string, bool>{"C:\\P\\HELP.HLP", false}));
    EXPECT_EQ(paths[3], (std::pair<std::string, bool>{"C:\\P\\HELP.gid", true}));
}

// A directory so long that the path would be cut names no file at all.
TEST(RemovalPaths, APathThatDoesNotFitIsLeftOut)
{
    // The shortest name is "up.wav": with "\" it takes seven of the characters
    // before the terminator.
    EXPECT_TRUE(ListFor(std::string(REMOVAL_PATH_CHARS - 7, 'd')).empty());
    Paths exactly = ListFor(std::string(REMOVAL_PATH_CHARS - 1 - 7, 'd'));
    ASSERT_EQ(exactly.size(), 1u);
    EXPECT_EQ(exactly[0].first.size(), static_cast<size_t>(REMOVAL_PATH_CHARS - 1));
}

}  // namespace
