// The command-line switch parser, on any text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "startup/switches.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);  // cut at the first NUL by the parser
    SwitchFlags f = ParseSwitches(text.c_str());
    const int* flags[] = {&f.installRequested, &f.removeRequested, &f.quietMode, &f.logEnabled};
    for (const int* flag : flags)
        if (*flag != 0 && *flag != 1)
            std::abort();
    if (f.installRequested && f.removeRequested)
        std::abort();
    // A switch is only ever found where its text is.
    const char* c = text.c_str();
    if (f.removeRequested && !std::strstr(c, "-r"))
        std::abort();
    if (f.logEnabled && !std::strstr(c, "-l"))
        std::abort();
    if (f.quietMode && !std::strstr(c, "-s") && !std::strstr(c, "-q") && !std::strstr(c, "-install"))
        std::abort();
    ApplyQuietInstall(&f);
    if (f.quietMode && !f.removeRequested && !f.installRequested)
        std::abort();
    return 0;
}
