#include "install/sequence.h"

// Placeholder until the install sequence lands: a run that does nothing and succeeds.
int RunInstallSequence(HWND)
{
    return 1;
}
