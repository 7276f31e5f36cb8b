// Skipping the program name of a command line, on any text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/cmdline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    const char* c = text.c_str();
    const char* rest = SkipProgramName(c);
    size_t length = std::strlen(c);
    if (rest < c || rest > c + length)
        std::abort();
    // The arguments never start with a blank, and the name holds no blank
    // outside quotes.
    if (*rest && static_cast<unsigned char>(*rest) <= ' ')
        std::abort();
    bool quoted = false;
    size_t nameEnd = 0;
    while (nameEnd < length && (quoted || static_cast<unsigned char>(c[nameEnd]) > ' ')) {
        if (c[nameEnd] == '"')
            quoted = !quoted;
        ++nameEnd;
    }
    for (size_t i = nameEnd; c + i < rest; ++i)
        if (static_cast<unsigned char>(c[i]) > ' ')
            std::abort();
    return 0;
}
