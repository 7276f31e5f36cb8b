#include "dialogs/driver.h"

#include <gtest/gtest.h>

#include "support/winhelp.h"

#include <cstdlib>

Background::Background(std::function<int()> w) : work(std::move(w))
{
    thread = CreateThread(nullptr, 0, Run, this, 0, &threadId);
}

Background::~Background()
{
    if (!Finished(0))
        Unstick();
    if (thread)
        CloseHandle(thread);
}

DWORD WINAPI Background::Run(void* self)
{
    auto* b = static_cast<Background*>(self);
    b->result = b->work();
    InterlockedExchange(&b->done, 1);
    return 0;
}

bool Background::Finished(DWORD ms)
{
    return thread && WaitForSingleObject(thread, ms) == WAIT_OBJECT_0;
}

int Background::Result(DWORD ms)
{
    return Finished(ms) ? result : -12345;
}

namespace {

struct ThreadDialogs {
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM lParam)
{
    char cls[64];
    GetClassNameA(window, cls, sizeof cls);
    if (IsWindowVisible(window) && lstrcmpA(cls, "#32770") == 0)
        reinterpret_cast<ThreadDialogs*>(lParam)->found.push_back(window);
    return TRUE;
}

std::vector<HWND> DialogsOf(DWORD threadId)
{
    ThreadDialogs d;
    EnumThreadWindows(threadId, CollectDialog, reinterpret_cast<LPARAM>(&d));
    return d.found;
}

}  // namespace

// A failed test leaves its dialog open: cancel whatever the thread shows until it returns.
void Background::Unstick()
{
    for (int i = 0; i < 200 && !Finished(50); ++i)
        for (HWND w : DialogsOf(threadId))
            PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
    if (!Finished(0))
        TerminateThread(thread, 1);
}

HWND WaitForDialog(const Background& call, const char* caption, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND w : DialogsOf(call.ThreadId()))
            if (WindowText(w) == caption)
                found = w;
        return found != nullptr;
    }, timeoutMs);
    return found;
}

bool AnswerBox(const Background& call, const char* caption, SeenBox* seen, DWORD timeoutMs)
{
    HWND box = WaitForDialog(call, caption, timeoutMs);
    if (!box || !IsMessageBox(box))
        return false;
    *seen = ReadBox(box);
    return PressAndWaitGone(box, IDOK);
}

bool PressAndWaitGone(HWND dialog, int id)
{
    ClickButton(dialog, id);
    return WaitForWindowGone(dialog, 10000);
}

void CloseBox(HWND dialog)
{
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

bool Dismiss(HWND dialog, Dismissal how)
{
    if (how != CLOSE_BOX)
        return PressAndWaitGone(dialog, how == PRESS_OK ? IDOK : IDCANCEL);
    CloseBox(dialog);
    return WaitForWindowGone(dialog);
}

bool IsChecked(HWND dialog, int id)
{
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsEnabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

bool IsCentred(HWND window)
{
    RECT r, desktop;
    GetWindowRect(window, &r);
    GetWindowRect(GetDesktopWindow(), &desktop);
    int w = r.right - r.left, h = r.bottom - r.top;
    // Halves rounded either way: the exact rounding is CenterOnDesktop's own business.
    int x = (desktop.right - desktop.left - w) / 2, y = (desktop.bottom - desktop.top - h) / 2;
    return std::abs(r.left - (x < 0 ? 0 : x)) <= 1 && std::abs(r.top - (y < 0 ? 0 : y)) <= 1;
}

namespace {

struct StaticSearch {
    const std::string* text;
    bool found;
};

BOOL CALLBACK MatchStatic(HWND child, LPARAM lParam)
{
    auto* s = reinterpret_cast<StaticSearch*>(lParam);
    char cls[32];
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 && WindowText(child) == *s->text) {
        s->found = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool HasStaticText(HWND dialog, const std::string& text)
{
    StaticSearch s = {&text, false};
    EnumChildWindows(dialog, MatchStatic, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

bool HasTemplateSize(HWND dialog, int widthUnits, int heightUnits)
{
    RECT units = {0, 0, widthUnits, heightUnits};
    MapDialogRect(dialog, &units);
    RECT client;
    GetClientRect(dialog, &client);
    return client.right == units.right && client.bottom == units.bottom;
}

void ExpectLayout(HWND dialog, const std::vector<ControlLayout>& controls)
{
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    LOGFONTA face = {};
    ASSERT_NE(font, nullptr);
    GetObjectA(font, sizeof face, &face);
    EXPECT_STREQ(face.lfFaceName, "MS Sans Serif");
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(face.lfHeight, -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(nullptr, screen);

    for (const ControlLayout& c : controls) {
        SCOPED_TRACE(testing::Message() << "control " << c.id);
        HWND control = GetDlgItem(dialog, c.id);
        ASSERT_NE(control, nullptr);
        char cls[64];
        GetClassNameA(control, cls, sizeof cls);
        EXPECT_EQ(lstrcmpiA(cls, c.windowClass), 0) << cls;
        // Places and sizes are converted separately, as the dialog manager does.
        RECT units = {c.x, c.y, c.w, c.h < 0 ? 0 : c.h};
        MapDialogRect(dialog, &units);
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, units.left);
        EXPECT_EQ(r.top, units.top);
        EXPECT_EQ(r.right - r.left, units.right);
        if (c.h >= 0) {
            EXPECT_EQ(r.bottom - r.top, units.bottom);
        }
        DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
        EXPECT_EQ(style & c.style, c.style) << std::hex << style;
    }
}

std::string MissingDrive()
{
    DWORD drives = GetLogicalDrives();
    for (int i = 'Q' - 'A'; i < 26; ++i)
        if (!(drives & (1u << i)))
            return std::string(1, static_cast<char>('A' + i)) + ":";
    return "";
}
