#include "startup/geometry.h"

Placement MainWindowPlacement(long left, long top, long right, long bottom)
{
    Placement p;
    long width = ((right - left) / 5) * 4;
    if (width < 600)
        width = 600;
    long height = ((bottom - top) / 5) * 4;
    if (height < 400)
        height = 400;
    p.width = static_cast<int>(width);
    p.height = static_cast<int>(height);
    p.x = static_cast<int>((right - width) / 2);
    p.y = static_cast<int>((bottom - height) / 2);
    return p;
}

void CenteredOrigin(int w, int h, int dw, int dh, int* x, int* y)
{
    int cx = (dw / 2) - (w / 2);
    int cy = (dh / 2) - (h / 2);
    *x = cx < 0 ? 0 : cx;
    *y = cy < 0 ? 0 : cy;
}
