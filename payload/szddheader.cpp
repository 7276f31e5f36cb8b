#include "payload/szddheader.h"

#include <cstring>

const uint8_t szddMagic[8] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};

void SzddWriteHeader(uint8_t out[SZDD_HEADER_SIZE], uint32_t length, uint8_t lastChar)
{
    std::memcpy(out, szddMagic, sizeof szddMagic);
    out[8] = SZDD_MODE_A;
    out[9] = lastChar;
    out[10] = static_cast<uint8_t>(length);
    out[11] = static_cast<uint8_t>(length >> 8);
    out[12] = static_cast<uint8_t>(length >> 16);
    out[13] = static_cast<uint8_t>(length >> 24);
}

int SzddReadHeader(const uint8_t* data, size_t size, SzddHeader* header)
{
    if (size < SZDD_HEADER_SIZE || std::memcmp(data, szddMagic, sizeof szddMagic) != 0 ||
        data[8] != SZDD_MODE_A)
        return 0;
    header->mode = data[8];
    header->lastChar = data[9];
    header->length = static_cast<uint32_t>(data[10]) | static_cast<uint32_t>(data[11]) << 8 |
                     static_cast<uint32_t>(data[12]) << 16 | static_cast<uint32_t>(data[13]) << 24;
    return 1;
}
