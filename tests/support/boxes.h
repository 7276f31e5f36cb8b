// Message boxes as a user meets them: what one shows, and a driver that answers
// the boxes of this process while the code under test runs.
#ifndef MARVANE_TEST_BOXES_H
#define MARVANE_TEST_BOXES_H

#include <windows.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

struct SeenBox {
    std::string caption;
    std::string text;
    std::vector<int> buttons;  // visible button ids, ascending
    UINT icon = 0;             // MB_ICONERROR, MB_ICONWARNING, ... as shown; MB_USERICON for another; 0 for none
    HWND owner = nullptr;
};

// For failure messages.
void PrintTo(const SeenBox& box, std::ostream* out);

// A standard message box: a dialog with its text in static control 0xFFFF.
bool IsMessageBox(HWND window);
// What the box shows, read once its thread has it fully set up.
SeenBox ReadBox(HWND box);
// A visible message box of the process, or null.
HWND FindMessageBox(DWORD processId);
// The button of someone giving up: Cancel where the box offers it, else No, else OK.
int GiveUpButton(const SeenBox& box);

struct BoxAnswer {
    int press;                     // button id to press
    std::function<void()> before;  // runs before the press (fix the cause, ...)
    std::string screenshot;        // saved before the press when not empty
};

// Runs body on this thread while another thread answers the message boxes of this
// process in order (boxes beyond the list are answered with Cancel, No or OK and
// still reported). Returns every box seen. A box that must not come is caught
// too: body cannot return while it stands, so the driver has seen it by then.
// A box that stays after its button was pressed (three times, 10 s apart) fails the
// test, naming the box; the driver thread has always ended when this returns.
std::vector<SeenBox> WithBoxes(const std::vector<BoxAnswer>& answers, const std::function<void()>& body);

#endif
