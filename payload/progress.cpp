// The modeless progress dialog DLG_COPY shared by the extraction and the copy.
#include "payload/copy.h"

#include "startup/state.h"
#include "startup/window.h"

namespace {

INT_PTR OnInitDialog(HWND dialog)
{
    CenterOnDesktop(dialog);
    installer.copyCancelled = 0;
    return TRUE;
}

// Cancel, Escape and the close box all arrive as IDCANCEL. The dialog stays: the
// copy loop notices the flag between rows and destroys the dialog itself.
INT_PTR OnCommand(WPARAM wParam)
{
    if (LOWORD(wParam) != IDCANCEL)
        return FALSE;
    installer.copyCancelled = 1;
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK CopyDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(wParam);
    default:
        return FALSE;
    }
}
