// The fixed 14-byte header of an SZDD container: magic 53 5A 44 44 88 F0 27 33,
// mode 'A', the last character of the expanded name (0 = none recorded) and the
// expanded length (LE32). Apart from the codec (payload/szdd.h) because the
// Installer itself reads it too: the platform's expansion decodes until its input
// ends, so the copy compares what it wrote with the recorded length.
// Pure logic: no platform headers.
#ifndef MARVANE_SZDDHEADER_H
#define MARVANE_SZDDHEADER_H

#include <cstddef>
#include <cstdint>

enum {
    SZDD_HEADER_SIZE = 14,
    SZDD_RING_SIZE = 4096,
    SZDD_RING_START = SZDD_RING_SIZE - 16,
    SZDD_MIN_MATCH = 3,
    SZDD_MAX_MATCH = 18,
    SZDD_MODE_A = 'A',
};

extern const uint8_t szddMagic[8];

struct SzddHeader {
    uint8_t mode;      // 'A' in every container this code writes or accepts
    uint8_t lastChar;  // last character of the expanded name, 0 when none
    uint32_t length;   // expanded length in bytes
};

// Writes the 14 header bytes: magic, 'A', lastChar, length.
void SzddWriteHeader(uint8_t out[SZDD_HEADER_SIZE], uint32_t length, uint8_t lastChar);

// Reads the header of data[0..size). 1 when the magic and mode 'A' are there
// (the only mode the platform's expansion knows); 0 otherwise, header untouched.
int SzddReadHeader(const uint8_t* data, size_t size, SzddHeader* header);

#endif
