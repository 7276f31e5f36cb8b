#include "payload/lzheader.h"

int ReadSzddHeader(const unsigned char* bytes, size_t count, uint32_t* expandedLength)
{
    static const unsigned char magic[8] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};
    if (!bytes || count < SZDD_HEADER_BYTES)
        return 0;
    for (size_t i = 0; i < sizeof magic; ++i)
        if (bytes[i] != magic[i])
            return 0;
    *expandedLength = static_cast<uint32_t>(bytes[10]) | static_cast<uint32_t>(bytes[11]) << 8 |
                      static_cast<uint32_t>(bytes[12]) << 16 | static_cast<uint32_t>(bytes[13]) << 24;
    return 1;
}
