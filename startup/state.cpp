#include "startup/state.h"

#include "install/messages.h"
#include "payload/filetable.h"
#include "payload/paths.h"
#include "resources/resource.h"

InstallerState installer;

void CopyText(char* dest, size_t cap, const char* src)
{
    if (cap == 0)
        return;
    size_t i = 0;
    if (src)
        for (; i + 1 < cap && src[i]; ++i)
            dest[i] = src[i];
    dest[i] = '\0';
}

int LoadInstallDefaults(HINSTANCE, HWND, const char*)
{
    CopyText(installer.groupName, sizeof installer.groupName, PRODUCT_WORD);
    LoadMessage(IDS_INSTALL_TITLE, installer.installTitle, sizeof installer.installTitle);
    CopyText(installer.defaultDirWin4, sizeof installer.defaultDirWin4, DEFAULT_PROGRAM_DIR);
    CopyText(installer.defaultDirNT3, sizeof installer.defaultDirNT3, DEFAULT_PROGRAM_DIR);
    CopyText(installer.defaultDirOther, sizeof installer.defaultDirOther, DEFAULT_PROGRAM_DIR);
    installer.installOptions = 1;
    return fileCount;
}

void LoadLeadBytes()
{
    for (unsigned b = 0x80; b < LEAD_BYTE_VALUES; ++b)
        leadBytes[b] = IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(b)) ? 1 : 0;
}
