// Any bytes, read as a descriptor, are judged without reading outside them, and a
// descriptor found closed has a trusted owner: the first bytes pick the owner
// offset's target as a trusted SID.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "install/secjudge.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const unsigned char trusted[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0,  // Administrators
                                            1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};                // SYSTEM
    const unsigned char* admins = trusted;
    const unsigned char* system = trusted + 16;
    // A copy of exactly size bytes, so that the sanitizer sees any read past them.
    unsigned char* copy = static_cast<unsigned char*>(std::malloc(size ? size : 1));
    if (size)
        std::memcpy(copy, data, size);
    SecurityVerdict verdict = JudgeSecurity(copy, size, trusted, sizeof trusted);
    if (verdict == SECURITY_CLOSED) {
        uint32_t owner = copy[4] | copy[5] << 8 | copy[6] << 16 | static_cast<uint32_t>(copy[7]) << 24;
        size_t length = SidLength(copy + owner, size - owner);
        bool isTrusted = (length == 16 && std::memcmp(copy + owner, admins, length) == 0) ||
                         (length == 12 && std::memcmp(copy + owner, system, length) == 0);
        if (!isTrusted)
            std::abort();
    }
    std::free(copy);
    return 0;
}
