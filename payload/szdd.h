// SZDD containers: header helpers, a resumable stream decoder and an encoder that
// writes the smallest stream the format allows. No platform headers, no exceptions:
// the host packer and the tests use it; the Installer itself leaves decoding to lz32.
//
// Container: magic 53 5A 44 44 88 F0 27 33, mode 'A', the last character of the
// expanded name (0 = none recorded), the expanded length (LE32), then the stream.
//
// Stream: LZSS over a 4096-byte ring that starts filled with spaces, writing from
// 4080. A control byte announces up to eight items, least significant bit first:
// 1 = a literal byte, 0 = a reference b0 b1 to ring position b0 | (b1 & 0xF0) << 4
// of length (b1 & 0x0F) + 3, copied byte by byte (it may overlap what it writes).
// The stream ends where the data ends; items that the last control byte announces
// beyond it are ignored.
#ifndef MARVANE_SZDD_H
#define MARVANE_SZDD_H

#include <cstddef>
#include <cstdint>

#include "payload/szddheader.h"

// ---- Decoding -----------------------------------------------------------------

enum SzddStatus {
    SZDD_STATUS_NEEDS_INPUT,  // every input byte consumed; the stream may go on
    SZDD_STATUS_OUTPUT_FULL,  // dest is full and the stream has more to give
    SZDD_STATUS_FINISHED,     // input ended (srcEnd) after a whole item
    SZDD_STATUS_TRUNCATED,    // input ended (srcEnd) between the two bytes of a reference
};

// Decoder state; the caller owns it and initialises it with SzddDecoderInit.
struct SzddDecoder {
    uint8_t ring[SZDD_RING_SIZE];
    uint32_t writePos;  // next ring position written
    uint32_t control;   // control bits not yet used, above a marker bit; 1 = none left
    uint32_t copyPos;   // pending reference: next ring position read
    uint32_t copyLen;   // pending reference: bytes still to output
    uint32_t halfRef;   // 0x100 | b0 while the second byte of a reference is awaited
};

void SzddDecoderInit(SzddDecoder* decoder);

// Decodes stream bytes src[0..*srcLen) into dest[0..*destLen). On return *srcLen and
// *destLen hold the bytes consumed and written; no byte outside either buffer is
// touched (the ring position is always taken modulo 4096, and a reference that does
// not fit in dest stays pending in the state). srcEnd nonzero says src holds the rest
// of the stream. Call again with more room (OUTPUT_FULL) or more input (NEEDS_INPUT).
SzddStatus SzddDecode(SzddDecoder* decoder, uint8_t* dest, size_t* destLen, const uint8_t* src,
                      size_t* srcLen, int srcEnd);

enum SzddResult {
    SZDD_OK = 0,
    SZDD_BAD_HEADER,      // no magic, or a mode other than 'A'
    SZDD_TRUNCATED,       // the stream stops inside a reference, short of the length
    SZDD_TOO_SHORT,       // the stream gives fewer bytes than the header's length
    SZDD_TOO_LONG,        // the stream gives more bytes than the header's length
    SZDD_DEST_TOO_SMALL,  // the caller's buffer cannot hold the result
    SZDD_INPUT_TOO_LARGE, // more than 4 GiB - 1 bytes: the length field cannot say it
    SZDD_NO_MEMORY,
};

// Expands a whole container into dest (destCap bytes); *written gets the expanded
// length. Only an exact match of the stream with the header's length is SZDD_OK.
SzddResult SzddExpand(const uint8_t* container, size_t size, uint8_t* dest, size_t destCap,
                      size_t* written);

// ---- Encoding -----------------------------------------------------------------

// Largest stream the encoder writes for n input bytes (all literals).
size_t SzddStreamBound(size_t n);
size_t SzddContainerBound(size_t n);

// Writes the smallest stream that expands to src[0..n) into dest (destCap bytes;
// SzddStreamBound(n) always suffices); *written gets its length.
//
// Optimal parse: a literal costs 9 bits (its byte and its control bit), a reference
// 17 bits, whatever its position and length, so the stream of L literals and R
// references takes (L + 2R) + ceil((L + R) / 8) = ceil((9L + 17R) / 8) bytes, a
// non-decreasing function of the bit count: a parse with the fewest bits has the
// fewest bytes. Because every reference costs the same, the least bit count up to
// each position only needs the longest match there (any shorter length is a prefix
// of it), found exactly among all 4096 ring positions, the initial spaces included.
SzddResult SzddEncode(const uint8_t* src, size_t n, uint8_t* dest, size_t destCap, size_t* written);

// Header (last character 0) and stream; destCap >= SzddContainerBound(n) suffices.
SzddResult SzddCompress(const uint8_t* src, size_t n, uint8_t* dest, size_t destCap, size_t* written);

#endif
