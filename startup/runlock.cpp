#include "startup/runlock.h"

#include <windows.h>

namespace {

HANDLE runLock;

// "Global\" reaches the runs of every session on Windows 2000 and later; Windows
// NT 4.0 refuses the prefix (then the plain name is the one namespace there is),
// and Windows 95 takes it as part of the name.
const char kGlobalName[] = "Global\\MarvanePlusSetupRun";
const char kPlainName[] = "MarvanePlusSetupRun";

}  // namespace

bool AcquireRunLock()
{
    if (runLock)
        return true;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kGlobalName);
    // Access denied means a run of another account holds it: that is no reason to
    // fall back to a name that run does not use.
    if (!mutex && GetLastError() != ERROR_ACCESS_DENIED)
        mutex = CreateMutexA(nullptr, FALSE, kPlainName);
    if (!mutex)
        return false;
    DWORD wait = WaitForSingleObject(mutex, 0);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
        runLock = mutex;
        return true;
    }
    CloseHandle(mutex);
    return false;
}

void ReleaseRunLock()
{
    if (!runLock)
        return;
    ReleaseMutex(runLock);
    CloseHandle(runLock);
    runLock = nullptr;
}
