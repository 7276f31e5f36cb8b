#include "shell/progman.h"

#include <cstring>

#include "shell/shelltext.h"
#include "startup/state.h"

DWORD ddeInstance;
int ddeReady;

// Raw "Groups" reply, split into names in place; the combo box copies them.
char groupListBuffer[GROUP_LIST_CHARS];

namespace {

const char kProgmanService[] = "PROGMAN";
const char kGroupsItem[] = "Groups";
const DWORD kTimeoutMs = 1000;

// Service and topic; the product never changes it. (A pointer, so that the
// tests' buffer costs no room in the program file.)
char testServiceName[SHELL_ARG_CHARS];
const char* serviceName = kProgmanService;

// Commands are composed whole or not sent at all.
bool SendComposed(bool composed, const char* command)
{
    return composed && ProgmanExecute(command);
}

}  // namespace

// A client only: every transaction is synchronous, so there is nothing to answer.
static HDDEDATA CALLBACK ProgmanCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return nullptr;
}

void ProgmanUseServiceForTesting(const char* service)
{
    serviceName = kProgmanService;
    if (service) {
        CopyText(testServiceName, sizeof testServiceName, service);
        serviceName = testServiceName;
    }
}

bool ProgmanOpen()
{
    // Opening again must not strand the instance that is still open.
    ProgmanClose();
    ddeInstance = 0;
    if (DdeInitializeA(&ddeInstance, ProgmanCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return false;
    ddeReady = 1;
    return true;
}

bool ProgmanCreateGroup(const char* groupName)
{
    if (!ProgmanOpen())
        return false;
    char command[DDE_COMMAND_CHARS];
    SendComposed(ComposeCreateGroup(command, sizeof command, groupName), command);
    return true;
}

// One conversation per command: connect, execute, disconnect.
bool ProgmanExecute(const char* command)
{
    if (!ddeReady || !command)
        return false;
    HSZ service = DdeCreateStringHandleA(ddeInstance, serviceName, CP_WINANSI);
    if (!service)
        return false;
    bool accepted = false;
    HCONV conversation = DdeConnect(ddeInstance, service, service, nullptr);
    if (conversation) {
        DWORD result = 0;
        HDDEDATA reply = DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(command)),
                                              static_cast<DWORD>(std::strlen(command) + 1), conversation, nullptr,
                                              CF_TEXT, XTYP_EXECUTE, kTimeoutMs, &result);
        accepted = reply != nullptr;
        DdeDisconnect(conversation);
    }
    DdeFreeStringHandle(ddeInstance, service);
    return accepted;
}

bool ProgmanReplaceItem(const char* title, const char* workingDir, const char* fileName, const char* commandLine)
{
    char currentDir[MAX_PATH];
    if (!workingDir || !*workingDir) {
        DWORD n = GetCurrentDirectoryA(sizeof currentDir, currentDir);
        if (n == 0 || n >= sizeof currentDir)
            currentDir[0] = '\0';
        workingDir = currentDir;
    }
    const char* item = (title && *title) ? title : fileName;
    char command[DDE_COMMAND_CHARS];
    SendComposed(ComposeDeleteItem(command, sizeof command, item), command);
    SendComposed(ComposeAddItem(command, sizeof command, commandLine, item, workingDir), command);
    return true;
}

bool ProgmanDeleteItem(const char* title, const char* fileName)
{
    const char* item = (title && *title) ? title : fileName;
    char command[DDE_COMMAND_CHARS];
    SendComposed(ComposeDeleteItem(command, sizeof command, item), command);
    return true;
}

// A group of another name is the user's: only the product's own is deleted.
bool ProgmanDeleteGroup(const char* groupName)
{
    if (ddeReady) {
        if (IsProductGroup(groupName)) {
            char command[DDE_COMMAND_CHARS];
            SendComposed(ComposeDeleteGroup(command, sizeof command, groupName), command);
        }
        DdeUninitialize(ddeInstance);
    }
    ddeReady = 0;
    return true;
}

bool ProgmanClose()
{
    if (ddeReady)
        DdeUninitialize(ddeInstance);
    ddeReady = 0;
    return true;
}

const char* ProgmanListGroups(HWND comboBox)
{
    DWORD instance = 0;
    if (DdeInitializeA(&instance, ProgmanCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return nullptr;
    ddeReady = 1;
    HSZ service = DdeCreateStringHandleA(instance, serviceName, CP_WINANSI);
    HSZ item = DdeCreateStringHandleA(instance, kGroupsItem, CP_WINANSI);
    HCONV conversation = (service && item) ? DdeConnect(instance, service, service, nullptr) : nullptr;
    if (!conversation) {
        DdeUninitialize(instance);  // frees the string handles with it
        ddeReady = 0;
        return nullptr;
    }

    groupListBuffer[0] = '\0';
    HDDEDATA reply =
        DdeClientTransaction(nullptr, 0, conversation, item, CF_TEXT, XTYP_REQUEST, kTimeoutMs, nullptr);
    if (reply) {
        DWORD size = 0;
        const char* data = reinterpret_cast<const char*>(DdeAccessData(reply, &size));
        if (data) {
            FitGroupList(groupListBuffer, sizeof groupListBuffer, data, size);
            DdeUnaccessData(reply);
        }
        DdeFreeDataHandle(reply);
    }
    DdeDisconnect(conversation);
    DdeFreeStringHandle(instance, service);
    DdeFreeStringHandle(instance, item);

    char* cursor = groupListBuffer;
    for (char* name = NextGroupName(&cursor); name; name = NextGroupName(&cursor))
        SendMessageA(comboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));

    DdeUninitialize(instance);
    ddeReady = 0;
    return groupListBuffer;
}
