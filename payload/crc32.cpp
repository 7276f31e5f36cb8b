#include "payload/crc32.h"

#include <cstring>

namespace {

// Slicing by 8: table[k][n] is the CRC of byte n followed by k zero bytes, so eight
// bytes take eight independent lookups instead of eight dependent steps. The
// tables are built on first use in zero-filled memory: they cost no file size,
// and a large payload is checked some four times as fast as byte by byte.
uint32_t table[8][256];
bool tableReady = false;

void BuildTables()
{
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[0][n] = c;
    }
    for (int k = 1; k < 8; ++k)
        for (uint32_t n = 0; n < 256; ++n)
            table[k][n] = (table[k - 1][n] >> 8) ^ table[0][table[k - 1][n] & 0xFF];
    tableReady = true;
}

// Four bytes as a little-endian number, whatever the host's byte order. Always
// inlined: the programs are built to inline little, and this is the inner loop of
// the check of the whole payload.
inline __attribute__((always_inline)) uint32_t Load32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

uint32_t Crc32(const void* data, size_t size, uint32_t crc)
{
    if (!tableReady)
        BuildTables();
    const unsigned char* p = static_cast<const unsigned char*>(data);
    crc = ~crc;
    for (; size >= 8; size -= 8, p += 8) {
        uint32_t low = crc ^ Load32(p);
        uint32_t high = Load32(p + 4);
        crc = table[7][low & 0xFF] ^ table[6][(low >> 8) & 0xFF] ^ table[5][(low >> 16) & 0xFF] ^
              table[4][low >> 24] ^ table[3][high & 0xFF] ^ table[2][(high >> 8) & 0xFF] ^
              table[1][(high >> 16) & 0xFF] ^ table[0][high >> 24];
    }
    for (; size; --size, ++p)
        crc = (crc >> 8) ^ table[0][(crc ^ *p) & 0xFF];
    return ~crc;
}

bool FindRecordedCrc(const void* record, size_t size, const char* name, uint32_t* crc)
{
    const char* p = static_cast<const char*>(record);
    const char* end = p + size;
    while (p < end) {
        const char* entry = p;
        while (p < end && *p)
            ++p;
        if (end - p < 5)  // no terminator, or no whole value after it: a cut record
            return false;
        const unsigned char* value = reinterpret_cast<const unsigned char*>(p + 1);
        p += 5;
        if (std::strcmp(entry, name) == 0) {
            *crc = Load32(value);
            return true;
        }
    }
    return false;
}
