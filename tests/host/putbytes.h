// Little-endian writers for the PE images the host tests make up in memory.
#ifndef MARVANE_TESTS_HOST_PUTBYTES_H
#define MARVANE_TESTS_HOST_PUTBYTES_H

#include <cstddef>
#include <cstdint>
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

#endif
