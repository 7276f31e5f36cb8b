// The fixed header of an SZDD container, read without the platform's library so
// that the copy can check what the expansion produced.
#ifndef MARVANE_LZHEADER_H
#define MARVANE_LZHEADER_H

#include <cstddef>
#include <cstdint>

enum { SZDD_HEADER_BYTES = 14 };

// 1 when `bytes` (count of them) begin with the SZDD magic and a whole header;
// *expandedLength then holds the recorded length (offset 10, little-endian).
int ReadSzddHeader(const unsigned char* bytes, size_t count, uint32_t* expandedLength);

#endif
