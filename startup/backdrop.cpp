#include "startup/state.h"
#include "startup/window.h"

namespace {

// Draws a bitmap at its own size with its top-left corner at (x, y).
void DrawBitmapAt(HDC target, HDC memory, HBITMAP bitmap, int x, int y, int w, int h)
{
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(target, x, y, w, h, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
}

}  // namespace

LRESULT PaintBackdrop(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (!dc)
        return 0;
    RECT client;
    GetClientRect(window, &client);
    HDC memory = CreateCompatibleDC(dc);
    BITMAP info;
    if (installer.productBitmap && GetObjectA(installer.productBitmap, sizeof info, &info))
        DrawBitmapAt(dc, memory, installer.productBitmap, 10, 10, info.bmWidth, info.bmHeight);
    if (installer.logoBitmap && GetObjectA(installer.logoBitmap, sizeof info, &info))
        DrawBitmapAt(dc, memory, installer.logoBitmap, client.right - info.bmWidth - 10,
                     client.bottom - info.bmHeight - 10, info.bmWidth, info.bmHeight);
    DeleteDC(memory);
    EndPaint(window, &ps);
    return 0;
}
