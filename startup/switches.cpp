#include "startup/switches.h"

#include <cstring>

SwitchFlags ParseSwitches(const char* commandLine)
{
    SwitchFlags f = {0, 0, 0, 0};
    if (!commandLine || !*commandLine)
        return f;
    auto has = [commandLine](const char* sw) { return std::strstr(commandLine, sw) != nullptr; };
    if (has("-installqu") || has("-installsi")) {
        f.installRequested = 1;
        f.removeRequested = 0;
        f.quietMode = 1;
        return f;
    }
    if (has("-i")) {
        f.installRequested = 1;
        f.removeRequested = 0;
    } else if (has("-r")) {
        f.installRequested = 0;
        f.removeRequested = 1;
    }
    if (has("-s"))
        f.quietMode = 1;
    if (has("-q"))
        f.quietMode = 1;
    if (has("-l"))
        f.logEnabled = 1;
    return f;
}

void ApplyQuietInstall(SwitchFlags* flags)
{
    if (flags->quietMode && !flags->removeRequested)
        flags->installRequested = 1;
}
