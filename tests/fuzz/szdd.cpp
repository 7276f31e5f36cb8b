// The SZDD decoder: any container or stream is decoded within its buffers, in one
// piece or in any slices alike. (The encoder has its own target, szdd_roundtrip.)
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "payload/szdd.h"

namespace {

// Decodes the whole stream, handing the decoder input and output in slices of the
// given sizes (0 = everything at once).
std::vector<uint8_t> DecodeInSlices(const uint8_t* src, size_t size, size_t inSlice, size_t outSlice,
                                    SzddStatus* last)
{
    static SzddDecoder decoder;
    SzddDecoderInit(&decoder);
    std::vector<uint8_t> out;
    size_t at = 0;
    for (int rounds = 0;; ++rounds) {
        size_t inLen = inSlice ? std::min(inSlice, size - at) : size - at;
        int srcEnd = at + inLen == size;
        uint8_t buffer[1024];
        size_t outLen = outSlice ? std::min(outSlice, sizeof buffer) : sizeof buffer;
        size_t offered = inLen, room = outLen;
        SzddStatus status = SzddDecode(&decoder, buffer, &outLen, src + at, &inLen, srcEnd);
        if (inLen > offered || outLen > room)
            std::abort();
        out.insert(out.end(), buffer, buffer + outLen);
        at += inLen;
        if (status == SZDD_STATUS_FINISHED || status == SZDD_STATUS_TRUNCATED) {
            if (at != size)
                std::abort();
            *last = status;
            return out;
        }
        if (status == SZDD_STATUS_NEEDS_INPUT && (srcEnd || inLen != offered))
            std::abort();
        if (rounds > 1 << 22)
            std::abort();  // no progress
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    size_t inSlice = data[0] % 17, outSlice = data[1] % 19;
    data += 2;
    size -= 2;
    if (size > 512) {
        // Byte-sized slices of a long stream cost more time than they find.
        inSlice *= 64;
        outSlice *= 64;
    }

    // As a stream: slices change nothing.
    SzddStatus whole, sliced;
    std::vector<uint8_t> a = DecodeInSlices(data, size, 0, 0, &whole);
    std::vector<uint8_t> b = DecodeInSlices(data, size, inSlice, outSlice, &sliced);
    if (a != b || whole != sliced)
        std::abort();

    // As a container: the header's length is the whole truth.
    SzddHeader header;
    if (SzddReadHeader(data, size, &header)) {
        size_t cap = header.length <= (1u << 16) ? header.length : 1u << 16;  // 4 KiB of input gives less
        std::vector<uint8_t> out(cap + 1, 0xA5);
        size_t written = 0;
        SzddResult r = SzddExpand(data, size, out.data(), cap, &written);
        if (out[cap] != 0xA5 || written > cap)
            std::abort();
        if (cap < header.length && r != SZDD_DEST_TOO_SMALL)
            std::abort();
        if (r == SZDD_OK && written != header.length)
            std::abort();
    }

    return 0;
}
