#include <gtest/gtest.h>

#include "startup/geometry.h"

namespace {

struct MainCase {
    long right, bottom;
    int x, y, w, h;
};

const MainCase kDesktops[] = {
    {640, 480, 20, 40, 600, 400},
    {800, 600, 80, 60, 640, 480},
    {1024, 768, 104, 78, 816, 612},
    {1280, 1024, 128, 104, 1024, 816},
    {500, 300, -50, -50, 600, 400},   // small desktop: not clamped, partly off-screen
    {749, 499, 74, 49, 600, 400},     // four fifths truncate below the minimum
    {1366, 768, 137, 78, 1092, 612},  // divisions truncate: 1366/5*4 = 1092
};

TEST(Geometry, MainWindowFromDesktop)
{
    for (const MainCase& c : kDesktops) {
        Placement p = MainWindowPlacement(0, 0, c.right, c.bottom);
        EXPECT_EQ(p.x, c.x) << c.right << "x" << c.bottom;
        EXPECT_EQ(p.y, c.y) << c.right << "x" << c.bottom;
        EXPECT_EQ(p.width, c.w) << c.right << "x" << c.bottom;
        EXPECT_EQ(p.height, c.h) << c.right << "x" << c.bottom;
    }
}

struct CenterCase {
    int w, h, dw, dh, x, y;
};

const CenterCase kCentres[] = {
    {301, 200, 1024, 768, 362, 284},  // halves truncated one by one
    {300, 200, 1024, 768, 362, 284},
    {1200, 900, 1024, 768, 0, 0},     // larger than the desktop: top-left corner
    {1200, 100, 1024, 768, 0, 334},
    {100, 900, 1024, 768, 462, 0},
    {0, 0, 640, 480, 320, 240},
};

TEST(Geometry, CenteredOrigin)
{
    for (const CenterCase& c : kCentres) {
        int x = -1, y = -1;
        CenteredOrigin(c.w, c.h, c.dw, c.dh, &x, &y);
        EXPECT_EQ(x, c.x) << c.w << "x" << c.h << " on " << c.dw << "x" << c.dh;
        EXPECT_EQ(y, c.y) << c.w << "x" << c.h << " on " << c.dw << "x" << c.dh;
    }
}

}  // namespace
