// Any bytes, read as a descriptor, are judged without reading outside them, and a
// descriptor found closed has a trusted owner: the first bytes pick the owner
// offset's target as a trusted SID.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "install/secjudge.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const unsigned char admins[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
    static const unsigned char system[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
    const unsigned char* trusted[] = {admins, system};
    // A copy of exactly size bytes, so that the sanitizer sees any read past them.
    unsigned char* copy = static_cast<unsigned char*>(std::malloc(size ? size : 1));
    if (size)
        std::memcpy(copy, data, size);
    SecurityVerdict verdict = JudgeSecurity(copy, size, trusted, 2);
    if (verdict == SECURITY_CLOSED) {
        uint32_t owner = copy[4] | copy[5] << 8 | copy[6] << 16 | static_cast<uint32_t>(copy[7]) << 24;
        size_t length = SidLength(copy + owner, size - owner);
        bool isTrusted = (length == sizeof admins && std::memcmp(copy + owner, admins, length) == 0) ||
                         (length == sizeof system && std::memcmp(copy + owner, system, length) == 0);
        if (!isTrusted)
            std::abort();
    }
    std::free(copy);
    return 0;
}
