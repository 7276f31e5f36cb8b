// The install-or-remove choice and the group prompt.
#ifndef MARVANE_CHOICE_H
#define MARVANE_CHOICE_H

#include <windows.h>

enum {
    MODE_EXIT = 0,
    MODE_INSTALL = 1,
    MODE_REMOVE = 2,
};

// From the switches, or from DLG_INSTALL. MODE_EXIT also when the dialog cannot be created.
int ChooseInstallMode(HWND owner, HINSTANCE instance);
INT_PTR CALLBACK InstallDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// DLG_GETGROUP: 1 on OK (installer.groupName holds the text, cut to 255), 0 on Cancel.
int AskGroupName(HWND owner, HINSTANCE instance);
INT_PTR CALLBACK GroupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
