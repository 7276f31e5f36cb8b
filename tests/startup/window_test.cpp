// The main window as the platform creates it, on the screen size this run was given.
#include <gtest/gtest.h>

#include <cstdio>

#include "startup/state.h"
#include "startup/window.h"
#include "support/winhelp.h"

namespace {

struct Expected {
    int screenW, screenH, x, y, w, h;
};

const Expected kExpected[] = {
    {640, 480, 20, 40, 600, 400},
    {800, 600, 80, 60, 640, 480},
    {1024, 768, 104, 78, 816, 612},
};

class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        UseTestModule();
        ASSERT_TRUE(RegisterMainClass(installer.instance));
    }
    void SetUp() override
    {
        window = CreateMainWindow(installer.instance);
        ASSERT_NE(window, nullptr);
        installer.mainWindow = window;
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
    }
    void TearDown() override
    {
        DestroyWindow(window);
        PumpFor(100);  // let the destruction's messages go before the next window comes
    }
    HWND window = nullptr;
};

TEST_F(MainWindow, GeometryFollowsTheDesktop)
{
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    const Expected* e = nullptr;
    for (const Expected& c : kExpected)
        if (c.screenW == sw && c.screenH == sh)
            e = &c;
    ASSERT_NE(e, nullptr) << "unexpected screen " << sw << "x" << sh;
    EXPECT_EQ(WindowPlace(window), (std::vector<long>{e->x, e->y, e->w, e->h}));

    char cls[64];
    GetClassNameA(window, cls, sizeof cls);
    EXPECT_STREQ(cls, "QXInstal");
    EXPECT_EQ(WindowText(window), "Install");
    LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN), WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
}

TEST_F(MainWindow, BackdropIsTealWithTheLogoInTheCorner)
{
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    auto at = [&](int x, int y) { return ScreenPixel(origin.x + x, origin.y + y); };
    const COLORREF teal = RGB(0, 128, 128);
    const COLORREF navy = RGB(0, 0, 128);  // the logo's border colour
    int W = client.right, H = client.bottom;
    // The screen shows the painting once the display has it: wait for the backdrop
    // and the logo's corner, then check every pixel.
    EXPECT_TRUE(WaitUntil([&] { return at(5, 5) == teal && at(W - 11, H - 11) == navy; }, 10000));
    char name[64];
    std::snprintf(name, sizeof name, "main-window-%dx%d", GetSystemMetrics(SM_CXSCREEN),
                  GetSystemMetrics(SM_CYSCREEN));
    EXPECT_TRUE(SaveScreenshot(name));
    EXPECT_EQ(at(5, 5), teal);
    EXPECT_EQ(at(W / 2, H / 2), teal);
    EXPECT_EQ(at(12, 12), teal);  // no product bitmap at the upper left
    // The logo is 115 x 84 with its bottom-right corner 10 pixels from the client's.
    EXPECT_EQ(at(W - 11, H - 11), navy);
    EXPECT_EQ(at(W - 10, H - 10), teal);
    EXPECT_EQ(at(W - 10 - 115, H - 10 - 84), navy);
    EXPECT_EQ(at(W - 10 - 116, H - 10 - 84), teal);
    EXPECT_EQ(at(W - 10 - 115, H - 10 - 85), teal);
    EXPECT_EQ(at(W - 10 - 114, H - 10 - 83), navy);
}

TEST_F(MainWindow, CenterOnDesktopKeepsTheSize)
{
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    SetWindowPos(window, nullptr, 3, 3, 301, 200, SWP_NOZORDER);
    CenterOnDesktop(window);
    EXPECT_EQ(WindowPlace(window), (std::vector<long>{sw / 2 - 301 / 2, sh / 2 - 200 / 2, 301, 200}));

    // Larger than the desktop (the platform caps the size a little beyond it): top-left corner.
    SetWindowPos(window, nullptr, 50, 50, sw + 200, sh + 100, SWP_NOZORDER);
    RECT big;
    GetWindowRect(window, &big);
    ASSERT_GT(big.right - big.left, sw);
    ASSERT_GT(big.bottom - big.top, sh);
    CenterOnDesktop(window);
    EXPECT_EQ(WindowPlace(window), (std::vector<long>{0, 0, big.right - big.left, big.bottom - big.top}));
}

}  // namespace
