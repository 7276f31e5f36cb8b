// The size report's PE reader, on any bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/peinfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PeInfo info;
    std::string error;
    if (ReadPeInfo(data, size, &info, &error)) {
        for (const PeSection& s : info.sections)
            if (s.rawSize && (s.rawOffset > size || s.rawSize > size - s.rawOffset))
                std::abort();
    } else if (error.empty()) {
        std::abort();
    }
    return 0;
}
