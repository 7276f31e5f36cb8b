#include "runtime/cmdline.h"

namespace {

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

const char* SkipProgramName(const char* commandLine)
{
    if (!commandLine)
        return "";
    const char* p = commandLine;
    bool quoted = false;
    for (; *p && (quoted || !IsBlank(*p)); ++p)
        if (*p == '"')
            quoted = !quoted;
    while (*p && IsBlank(*p))
        ++p;
    return p;
}
