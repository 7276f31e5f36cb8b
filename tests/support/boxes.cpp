#include "support/boxes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>
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

const int kPresses = 3;
const DWORD kPressWaitMs = 10000;

struct Driver {
    const std::vector<BoxAnswer>* answers;
    std::vector<SeenBox> seen;
    volatile LONG bodyDone = 0;
    volatile LONG stop = 0;  // the caller gave up waiting: leave now
    bool stuck = false;      // a box stayed after its button was pressed
    SeenBox stuckBox;
    int stuckPress = 0;
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

// Every wait here is bounded or ends on d->stop, so the caller can always wait for
// this thread to finish before its Driver goes.
DWORD WINAPI DriveBoxes(void* param)
{
    auto* d = static_cast<Driver*>(param);
    size_t next = 0;
    for (;;) {
        // Body cannot return while one of its boxes stands, so once it has returned
        // a search that finds nothing means there is nothing left to answer.
        HWND box = nullptr;
        WaitUntil([&] { return (box = FindMessageBox(GetCurrentProcessId())) != nullptr || d->bodyDone || d->stop; },
                  INFINITE);
        if (!box || d->stop)
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
        // A loaded (or emulated) machine may be slow to take the press: press again
        // a few times before the box counts as stuck.
        bool gone = false;
        for (int i = 0; i < kPresses && !gone && !d->stop; ++i) {
            ClickButton(box, press);
            gone = WaitUntil([box] { return !IsWindow(box); }, kPressWaitMs);
        }
        if (!gone) {
            d->stuck = true;
            d->stuckBox = s;
            d->stuckPress = press;
            // Said at once too: a body that waits on the box never returns to report it.
            std::ostringstream text;
            PrintTo(s, &text);
            std::fprintf(stderr, "message box %s stayed open after button %d was pressed\n", text.str().c_str(),
                         press);
            std::fflush(stderr);
            return 0;
        }
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

// Pumps this thread's messages until the thread ends or timeoutMs passes.
static bool PumpUntilEnded(HANDLE thread, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD left = INFINITE;
        if (timeoutMs != INFINITE) {
            DWORD spent = GetTickCount() - start;
            left = spent >= timeoutMs ? 0 : timeoutMs - spent;
        }
        DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0)
            return true;
        if (r != WAIT_OBJECT_0 + 1)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

std::vector<SeenBox> WithBoxes(const std::vector<BoxAnswer>& answers, const std::function<void()>& body)
{
    Driver d;
    d.answers = &answers;
    HANDLE thread = CreateThread(nullptr, 0, DriveBoxes, &d, 0, nullptr);
    if (!thread) {
        ADD_FAILURE() << "the message box driver could not be started (" << GetLastError() << ")";
        return {};
    }
    body();
    InterlockedExchange(&d.bodyDone, 1);
    // The driver only leaves when no box is left; pump meanwhile so that it can read
    // our windows. It uses d, so it is always waited for before d goes.
    bool ended = PumpUntilEnded(thread, 60000);
    if (!ended) {
        InterlockedExchange(&d.stop, 1);
        PumpUntilEnded(thread, INFINITE);
    }
    CloseHandle(thread);
    if (d.stuck)
        ADD_FAILURE() << "message box " << ::testing::PrintToString(d.stuckBox) << " stayed open after button "
                      << d.stuckPress << " was pressed";
    else if (!ended)
        ADD_FAILURE() << "message boxes still came 60 s after the code under test returned";
    return d.seen;
}
