// Little-endian writers for the PE images the host tests make up in memory.
#ifndef MARVANE_TESTS_HOST_PUTBYTES_H
#define MARVANE_TESTS_HOST_PUTBYTES_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

inline void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

// The DOS header's magic and e_lfanew, and the PE signature at 0x80.
inline void PutPeSignature(std::vector<uint8_t>& b)
{
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, 0x80);
    std::memcpy(&b[0x80], "PE\0\0", 4);
}

// A section header at `at`: name (up to 8 characters), virtual size, RVA, raw size, raw offset.
inline void PutSection(std::vector<uint8_t>& b, size_t at, const char* name, uint32_t virtualSize, uint32_t rva,
                       uint32_t rawSize, uint32_t rawOffset)
{
    std::memcpy(&b[at], name, std::strlen(name));
    Put32(b, at + 8, virtualSize);
    Put32(b, at + 12, rva);
    Put32(b, at + 16, rawSize);
    Put32(b, at + 20, rawOffset);
}

#endif
