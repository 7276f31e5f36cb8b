// The modeless progress dialog DLG_COPY shared by the extraction and the copy.
#include "payload/copy.h"

#include "resources/resource.h"
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

HWND OpenProgressDialog(HINSTANCE instance, HWND owner)
{
    // Cleared here as well as by the dialog, so that a dialog that could not be
    // made does not leave an earlier Cancel standing.
    installer.copyCancelled = 0;
    installer.copyDialog =
        installer.quietMode ? nullptr : CreateDialogParamA(instance, "DLG_COPY", owner, CopyDlgProc, 0);
    return installer.copyDialog ? GetDlgItem(installer.copyDialog, IDC_PROGRESS_LINE) : nullptr;
}

void CloseProgressDialog(HWND owner)
{
    if (owner)
        SetActiveWindow(owner);
    if (installer.copyDialog)
        DestroyWindow(installer.copyDialog);
    installer.copyDialog = nullptr;
}
