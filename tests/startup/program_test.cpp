// setup.exe as a process: its window, its log and its exit codes.
#include <gtest/gtest.h>

#include "startup/exitcodes.h"
#include "support/winhelp.h"

namespace {

TEST(Program, WindowAndBackdropOfTheRealProgram)
{
    std::string dir = FreshDir("program-window");
    Started p = StartProgram(SetupExe(), "", dir);
    HWND main = WaitForWindow("QXInstal", nullptr, 30000, p.pid);
    ASSERT_NE(main, nullptr);
    HWND mode = WaitForWindow("#32770", "Install", 30000, p.pid);
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(WindowText(main), "Marvane 2.6 Install");
    EXPECT_EQ(WindowPlace(main), (std::vector<long>{104, 78, 816, 612}));  // on the 1024 x 768 screen of this run
    RECT client;
    GetClientRect(main, &client);
    POINT o = {0, 0};
    ClientToScreen(main, &o);
    // Painted in the program's own time: wait for the backdrop and the logo's corner.
    EXPECT_TRUE(WaitUntil([&] {
        return ScreenPixel(o.x + 5, o.y + 5) == RGB(0, 128, 128) &&
               ScreenPixel(o.x + client.right - 11, o.y + client.bottom - 11) == RGB(0, 0, 128);
    }, 10000));
    SaveScreenshot("program-window");
    EXPECT_EQ(ScreenPixel(o.x + 5, o.y + 5), RGB(0, 128, 128));
    EXPECT_EQ(ScreenPixel(o.x + client.right - 11, o.y + client.bottom - 11), RGB(0, 0, 128));
    EXPECT_EQ(ScreenPixel(o.x + client.right - 10, o.y + client.bottom - 10), RGB(0, 128, 128));
    // "Exit" in the first dialog: nothing happened, and a script sees the user's Cancel.
    ClickButton(mode, IDCANCEL);
    EXPECT_EQ(WaitExit(p), EXIT_CANCELLED);
    EXPECT_FALSE(FileExists(dir + "\\setup.log"));
}

TEST(Program, QuietRemovalWithNothingOnRecord)
{
    std::string dir = FreshDir("program-remove");
    EXPECT_EQ(RunProgram(SetupExe(), "-r -s", dir), EXIT_NOTHING_TO_REMOVE);
    EXPECT_FALSE(FileExists(dir + "\\setup.log"));
    EXPECT_EQ(RunProgram(SetupExe(), "-r -s -l", dir), EXIT_NOTHING_TO_REMOVE);
    EXPECT_EQ(ReadFileBytes(dir + "\\setup.log"),
              "Insufficient information available to\r\nremove this application.\r\n");
}

}  // namespace
