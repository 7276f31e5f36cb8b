// Driving the Installer's modal dialogs from a test: the call under test runs on a
// thread of its own, and the test thread finds its windows and works them.
#ifndef MARVANE_TEST_DIALOG_DRIVER_H
#define MARVANE_TEST_DIALOG_DRIVER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/boxes.h"

class Background {
public:
    explicit Background(std::function<int()> work);
    ~Background();
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    // True once the call has returned (waits up to ms).
    bool Finished(DWORD ms = 0);
    // The call's result; -12345 when it did not return within ms.
    int Result(DWORD ms = 20000);
    DWORD ThreadId() const { return threadId; }

private:
    static DWORD WINAPI Run(void* self);
    void Unstick();

    std::function<int()> work;
    HANDLE thread = nullptr;
    DWORD threadId = 0;
    volatile LONG done = 0;
    int result = 0;
};

// A visible dialog (class #32770) of the thread with exactly this caption.
HWND WaitForDialog(const Background& call, const char* caption, DWORD timeoutMs = 15000);

// Waits for a message box of the thread with this caption, records it and presses OK.
// (A call that only shows boxes runs under WithBoxes instead.)
bool AnswerBox(const Background& call, const char* caption, SeenBox* seen, DWORD timeoutMs = 15000);

// Presses a button and waits until the dialog is gone.
bool PressAndWaitGone(HWND dialog, int id);
// The close box of the caption, as a user clicks it.
void CloseBox(HWND dialog);
// The three ways a user ends a dialog: OK, Cancel, or the close box.
enum Dismissal { PRESS_OK, PRESS_CANCEL, CLOSE_BOX };
// Ends the dialog so and waits until it is gone.
bool Dismiss(HWND dialog, Dismissal how);

bool IsChecked(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
// Whether the window stands in the middle of the desktop as CenterOnDesktop leaves it.
bool IsCentred(HWND window);
// A static child of the dialog whose text is exactly this.
bool HasStaticText(HWND dialog, const std::string& text);

// Whether the dialog's client area is the template's size in dialog units.
bool HasTemplateSize(HWND dialog, int widthUnits, int heightUnits);

// One control as the template places it: dialog units, window class, style bits that must be set.
struct ControlLayout {
    int id;
    const char* windowClass;
    int x, y, w, h;  // h < 0: not checked (combo boxes and list boxes choose their own height)
    DWORD style;
};
// Checks each control's kind, place, size and style, and the dialog's font ("MS Sans Serif", 8 points).
void ExpectLayout(HWND dialog, const std::vector<ControlLayout>& controls);

// A drive letter with nothing behind it, as "Q:".
std::string MissingDrive();

#endif
