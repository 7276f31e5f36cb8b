#include "support/boxes.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "support/winhelp.h"

void PrintTo(const SeenBox& box, std::ostream* out)
{
    *out << "[" << box.caption << "] \"" << box.text << "\" buttons";
    for (int id : box.buttons)
        *out << " " << id;
    if (box.icon)
        *out << " icon 0x" << std::hex << box.icon << std::dec;
}

bool IsMessageBox(HWND window)
{
    char cls[64];
    GetClassNameA(window, cls, sizeof cls);
    return std::strcmp(cls, "#32770") == 0 && GetDlgItem(window, 0xFFFF) != nullptr;
}

namespace {

BOOL CALLBACK FindIcon(HWND child, LPARAM lParam)
{
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON || !IsWindowVisible(child))
        return TRUE;
    DWORD_PTR icon = 0;
    SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_NORMAL, 5000, &icon);  // as WindowText
    *reinterpret_cast<HICON*>(lParam) = reinterpret_cast<HICON>(icon);
    return icon == 0;
}

// The box shows the system's shared icons, the same handles LoadIcon gives here.
UINT IconKind(HICON shown)
{
    if (!shown)
        return 0;
    const struct {
        LPCSTR id;
        UINT kind;
    } kinds[] = {{IDI_HAND, MB_ICONERROR},
                 {IDI_EXCLAMATION, MB_ICONWARNING},
                 {IDI_QUESTION, MB_ICONQUESTION},
                 {IDI_ASTERISK, MB_ICONINFORMATION}};
    for (const auto& k : kinds)
        if (shown == LoadIconA(nullptr, k.id))
            return k.kind;
    return MB_USERICON;
}

}  // namespace

SeenBox ReadBox(HWND box)
{
    // Answered only from the box's own loop, after its text, buttons and icon are set.
    SendAndWait(box, WM_NULL);
    SeenBox s;
    s.caption = WindowText(box);
    s.text = MessageBoxText(box);
    for (int id = IDOK; id <= IDCONTINUE; ++id) {
        HWND button = GetDlgItem(box, id);
        if (button && IsWindowVisible(button))
            s.buttons.push_back(id);
    }
    HICON shown = nullptr;
    EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&shown));
    s.icon = IconKind(shown);
    s.owner = GetWindow(box, GW_OWNER);
    return s;
}

namespace {

struct Driver {
    const std::vector<BoxAnswer>* answers;
    std::vector<SeenBox> seen;
    volatile LONG bodyDone = 0;
};

BOOL CALLBACK FindBoxProc(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<std::pair<DWORD, HWND>*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->first || !IsWindowVisible(window))
        return TRUE;
    // Only message boxes: the progress dialog has no control 0xFFFF. (Its caption
    // cannot be asked for safely: that waits on the busy thread.)
    if (!IsMessageBox(window))
        return TRUE;
    search->second = window;
    return FALSE;
}

DWORD WINAPI DriveBoxes(void* param)
{
    auto* d = static_cast<Driver*>(param);
    size_t next = 0;
    for (;;) {
        // Body cannot return while one of its boxes stands, so once it has returned
        // a search that finds nothing means there is nothing left to answer.
        HWND box = nullptr;
        WaitUntil([&] { return (box = FindMessageBox(GetCurrentProcessId())) != nullptr || d->bodyDone; }, INFINITE);
        if (!box)
            return 0;
        SeenBox s = ReadBox(box);
        if (!IsWindow(box))
            continue;
        d->seen.push_back(s);
        int press = GiveUpButton(s);
        if (next < d->answers->size()) {
            const BoxAnswer& a = (*d->answers)[next++];
            if (a.before)
                a.before();
            if (!a.screenshot.empty()) {
                RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
                Snapshot(a.screenshot);
            }
            press = a.press;
        }
        ClickButton(box, press);
        WaitUntil([box] { return !IsWindow(box); }, 10000);
    }
}

}  // namespace

HWND FindMessageBox(DWORD processId)
{
    std::pair<DWORD, HWND> search(processId, nullptr);
    EnumWindows(FindBoxProc, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

int GiveUpButton(const SeenBox& box)
{
    for (int id : {IDCANCEL, IDNO, IDOK})
        if (std::find(box.buttons.begin(), box.buttons.end(), id) != box.buttons.end())
            return id;
    return IDCANCEL;
}

std::vector<SeenBox> WithBoxes(const std::vector<BoxAnswer>& answers, const std::function<void()>& body)
{
    Driver d;
    d.answers = &answers;
    HANDLE thread = CreateThread(nullptr, 0, DriveBoxes, &d, 0, nullptr);
    body();
    InterlockedExchange(&d.bodyDone, 1);
    // The driver only leaves when no box is left; pump meanwhile so that it can
    // read our windows.
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 30000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    CloseHandle(thread);
    return d.seen;
}
