// Byte layouts the payload tests write by hand, independent of the product's code:
// an SZDD header and an entry of the payload's checksum record. Pure: the host
// checks build the tests that use them too.
#ifndef MARVANE_TEST_LAYOUTS_H
#define MARVANE_TEST_LAYOUTS_H

#include <cstdint>
#include <string>

// Header alone, recording `length`, followed by `stream` as given.
inline std::string SzddRaw(uint32_t length, const std::string& stream, char mode = 'A')
{
    std::string out("SZDD\x88\xF0\x27\x33", 8);
    out += mode;
    out += '\0';
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((length >> (8 * i)) & 0xFF);
    return out + stream;
}

// One entry of the payload's checksum record: the name, a NUL, the CRC-32 as four
// little-endian bytes (setup.exe's record holds one per payload resource).
inline std::string ChecksumEntry(const std::string& name, uint32_t crc)
{
    return name + '\0' + static_cast<char>(crc) + static_cast<char>(crc >> 8) + static_cast<char>(crc >> 16) +
           static_cast<char>(crc >> 24);
}

#endif
