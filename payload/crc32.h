// CRC-32 as zip and PNG use it (reflected polynomial 0xEDB88320). Pure logic: the
// build records each payload container's value, the extraction checks it.
#ifndef MARVANE_CRC32_H
#define MARVANE_CRC32_H

#include <cstddef>
#include <cstdint>

// The CRC-32 of size bytes at data. To go on over more data, pass the result back
// as crc: Crc32(b, nb, Crc32(a, na)) is the CRC-32 of a followed by b.
uint32_t Crc32(const void* data, size_t size, uint32_t crc = 0);

// The build's record of the payload: for each container, its resource name as the
// file table spells it, a NUL, and its CRC-32 as four little-endian bytes. Sets
// *crc to the value recorded for `name` and returns true; false when the record
// has no entry for it, or is cut before it.
bool FindRecordedCrc(const void* record, size_t size, const char* name, uint32_t* crc);

#endif
