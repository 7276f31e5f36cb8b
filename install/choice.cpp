#include "install/choice.h"

#include "install/messages.h"
#include "resources/resource.h"
#include "shell/progman.h"
#include "shell/record.h"
#include "startup/state.h"
#include "startup/window.h"

namespace {

void LabelChoice(HWND dialog, int id, unsigned messageId)
{
    char text[MESSAGE_CHARS];
    LoadFormattedMessage(messageId, text, sizeof text, PRODUCT_WORD);
    SetDlgItemTextA(dialog, id, text);
}

INT_PTR OnInstallInit(HWND dialog)
{
    CenterOnDesktop(dialog);
    LabelChoice(dialog, IDC_INSTALL_RADIO, IDS_INSTALL_CHOICE);
    LabelChoice(dialog, IDC_REMOVE_RADIO, IDS_REMOVE_CHOICE);
    CheckRadioButton(dialog, IDC_INSTALL_RADIO, IDC_REMOVE_RADIO, IDC_INSTALL_RADIO);
    // Removal is offered only when an installation is on record.
    char recordedDir[RECORD_VALUE_CHARS];
    recordedDir[0] = '\0';
    ReadInstallValue("DIR", "", recordedDir);
    EnableWindow(GetDlgItem(dialog, IDC_REMOVE_RADIO), recordedDir[0] != '\0');
    return 1;
}

INT_PTR OnInstallCommand(HWND dialog, int id)
{
    switch (id) {
    case IDOK:
        if (IsDlgButtonChecked(dialog, IDC_INSTALL_RADIO) == BST_CHECKED)
            EndDialog(dialog, MODE_INSTALL);
        else if (IsDlgButtonChecked(dialog, IDC_REMOVE_RADIO) == BST_CHECKED)
            EndDialog(dialog, MODE_REMOVE);
        return 1;
    case IDCANCEL:
        EndDialog(dialog, MODE_EXIT);
        return 1;
    }
    return 0;
}

INT_PTR OnGroupInit(HWND dialog)
{
    CenterOnDesktop(dialog);
    // Without an answer from Program Manager the list stays empty; the name can still be typed.
    ProgmanListGroups(GetDlgItem(dialog, IDC_GROUP_COMBO));
    SetDlgItemTextA(dialog, IDC_GROUP_COMBO, installer.groupName);
    return 1;
}

INT_PTR OnGroupCommand(HWND dialog, int id)
{
    switch (id) {
    case IDOK:
        GetDlgItemTextA(dialog, IDC_GROUP_COMBO, installer.groupName, sizeof installer.groupName);
        EndDialog(dialog, 1);
        return 1;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return 1;
    }
    return 0;
}

}  // namespace

int ChooseInstallMode(HWND owner, HINSTANCE instance)
{
    if (installer.installRequested)
        return MODE_INSTALL;
    if (installer.removeRequested)
        return MODE_REMOVE;
    INT_PTR result = DialogBoxParamA(instance, "DLG_INSTALL", owner, InstallDlgProc, 0);
    // A choice that cannot be shown is no consent to install.
    if (result != MODE_INSTALL && result != MODE_REMOVE)
        return MODE_EXIT;
    return static_cast<int>(result);
}

INT_PTR CALLBACK InstallDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInstallInit(dialog);
    case WM_COMMAND:
        return OnInstallCommand(dialog, LOWORD(wParam));
    }
    return 0;
}

int AskGroupName(HWND owner, HINSTANCE instance)
{
    INT_PTR result = DialogBoxParamA(instance, "DLG_GETGROUP", owner, GroupDlgProc, 0);
    // A prompt that cannot be shown counts as Cancel: the group name stays as it was.
    return result == 1 ? 1 : 0;
}

INT_PTR CALLBACK GroupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnGroupInit(dialog);
    case WM_COMMAND:
        return OnGroupCommand(dialog, LOWORD(wParam));
    }
    return 0;
}
