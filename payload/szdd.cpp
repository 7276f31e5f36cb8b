#include "payload/szdd.h"

#include <cstdlib>
#include <cstring>

// ---- Decoding -----------------------------------------------------------------

void SzddDecoderInit(SzddDecoder* d)
{
    std::memset(d->ring, ' ', sizeof d->ring);
    d->writePos = SZDD_RING_START;
    d->control = 1;
    d->copyPos = 0;
    d->copyLen = 0;
    d->halfRef = 0;
}

SzddStatus SzddDecode(SzddDecoder* d, uint8_t* dest, size_t* destLen, const uint8_t* src,
                      size_t* srcLen, int srcEnd)
{
    const uint32_t mask = SZDD_RING_SIZE - 1;
    uint8_t* out = dest;
    uint8_t* const outEnd = dest + *destLen;
    const uint8_t* in = src;
    const uint8_t* const inEnd = src + *srcLen;
    SzddStatus status;
    for (;;) {
        while (d->copyLen != 0 && out != outEnd) {
            uint8_t c = d->ring[d->copyPos];
            d->copyPos = (d->copyPos + 1) & mask;
            d->ring[d->writePos] = c;
            d->writePos = (d->writePos + 1) & mask;
            *out++ = c;
            --d->copyLen;
        }
        if (d->copyLen != 0) {
            status = SZDD_STATUS_OUTPUT_FULL;
            break;
        }
        if (in == inEnd) {
            if (!srcEnd)
                status = SZDD_STATUS_NEEDS_INPUT;
            else
                status = d->halfRef ? SZDD_STATUS_TRUNCATED : SZDD_STATUS_FINISHED;
            break;
        }
        if (d->halfRef) {
            uint32_t b0 = d->halfRef & 0xFF, b1 = *in++;
            d->halfRef = 0;
            d->copyPos = b0 | (b1 & 0xF0) << 4;
            d->copyLen = (b1 & 0x0F) + SZDD_MIN_MATCH;
            continue;
        }
        if (d->control == 1) {
            d->control = 0x100u | *in++;
            continue;
        }
        if (d->control & 1) {
            if (out == outEnd) {
                status = SZDD_STATUS_OUTPUT_FULL;
                break;
            }
            uint8_t c = *in++;
            d->ring[d->writePos] = c;
            d->writePos = (d->writePos + 1) & mask;
            *out++ = c;
        } else {
            d->halfRef = 0x100u | *in++;
        }
        d->control >>= 1;
    }
    *destLen = static_cast<size_t>(out - dest);
    *srcLen = static_cast<size_t>(in - src);
    return status;
}

SzddResult SzddExpand(const uint8_t* container, size_t size, uint8_t* dest, size_t destCap,
                      size_t* written)
{
    *written = 0;
    SzddHeader header;
    if (!SzddReadHeader(container, size, &header))
        return SZDD_BAD_HEADER;
    if (destCap < header.length)
        return SZDD_DEST_TOO_SMALL;
    SzddDecoder* d = static_cast<SzddDecoder*>(std::malloc(sizeof(SzddDecoder)));
    if (!d)
        return SZDD_NO_MEMORY;
    SzddDecoderInit(d);
    size_t outLen = header.length;
    size_t inLen = size - SZDD_HEADER_SIZE;
    SzddStatus status = SzddDecode(d, dest, &outLen, container + SZDD_HEADER_SIZE, &inLen, 1);
    std::free(d);
    *written = outLen;
    if (status == SZDD_STATUS_OUTPUT_FULL)
        return SZDD_TOO_LONG;  // room for exactly the header's length, and more was coming
    if (outLen < header.length)
        return status == SZDD_STATUS_TRUNCATED ? SZDD_TRUNCATED : SZDD_TOO_SHORT;
    // A lone first byte of a reference after the last whole item is ignored, as
    // the platform's expansion ignores it.
    return SZDD_OK;
}

// ---- Encoding -----------------------------------------------------------------

size_t SzddStreamBound(size_t n)
{
    return n + (n + 7) / 8;
}

size_t SzddContainerBound(size_t n)
{
    return SZDD_HEADER_SIZE + SzddStreamBound(n);
}

namespace {

// The text is seen as one sequence: 4096 spaces (what the ring holds before the
// first byte), then the input. The ring position read by a reference from input
// position t at distance d (1..4096) is (4080 + t - d) mod 4096, so every ring
// position is a distance, and the longest match over distances 1..4096 is the
// longest match over the ring.
const uint32_t kWindow = SZDD_RING_SIZE;
const uint32_t kSlots = kWindow + 1;  // tree nodes of the positions still in reach
const uint32_t kHashBits = 16;

uint32_t Hash3(const uint8_t* p)
{
    uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                 static_cast<uint32_t>(p[2]) << 16;
    return (v * 2654435761u) >> (32 - kHashBits);
}

// Binary-tree match finder: one tree per hash bucket of the positions within
// reach, ordered by their next 18 bytes. Inserting a position walks from the
// bucket's root and re-roots the tree at the new position; the walk passes the
// new string's neighbours in that order, so it meets the longest match exactly.
// A stored string equal to the new one over all 18 bytes is replaced by it.
struct MatchFinder {
    const uint8_t* text;
    uint32_t head[1u << kHashBits];  // position + 1 of the bucket's root, 0 = empty
    uint32_t son[kSlots * 2];        // left/right child (position + 1) per slot
    uint32_t slot;                   // slot of the current position

    // Inserts position pos (pos + 18 within the text) and returns the length of its
    // longest match with an earlier position in reach (0 below 3) and its distance.
    uint32_t Insert(uint32_t pos, uint32_t* distance)
    {
        const uint8_t* cur = text + pos;
        uint32_t h = Hash3(cur);
        uint32_t match = head[h];
        head[h] = pos + 1;
        uint32_t* ptr0 = &son[slot * 2 + 1];
        uint32_t* ptr1 = &son[slot * 2];
        uint32_t len0 = 0, len1 = 0, best = 0;
        for (;;) {
            uint32_t delta = pos + 1 - match;
            if (match == 0 || delta > kWindow) {
                *ptr0 = *ptr1 = 0;
                break;
            }
            uint32_t* pair = &son[(slot >= delta ? slot - delta : slot + kSlots - delta) * 2];
            const uint8_t* pb = text + (match - 1);
            uint32_t len = len0 < len1 ? len0 : len1;
            while (len < SZDD_MAX_MATCH && pb[len] == cur[len])
                ++len;
            if (len > best) {
                best = len;
                *distance = delta;
            }
            if (len == SZDD_MAX_MATCH) {
                *ptr1 = pair[0];
                *ptr0 = pair[1];
                break;
            }
            if (pb[len] < cur[len]) {
                *ptr1 = match;
                ptr1 = pair + 1;
                match = *ptr1;
                len1 = len;
            } else {
                *ptr0 = match;
                ptr0 = pair;
                match = *ptr0;
                len0 = len;
            }
        }
        if (++slot == kSlots)
            slot = 0;
        return best >= SZDD_MIN_MATCH ? best : 0;
    }
};

// Longest match of text[pos..end) by direct comparison at every distance.
uint32_t LongestMatchDirect(const uint8_t* text, uint32_t pos, uint32_t end, uint32_t* distance)
{
    uint32_t limit = end - pos < uint32_t{SZDD_MAX_MATCH} ? end - pos : uint32_t{SZDD_MAX_MATCH};
    uint32_t best = 0;
    for (uint32_t d = 1; d <= kWindow && d <= pos; ++d) {
        uint32_t len = 0;
        while (len < limit && text[pos - d + len] == text[pos + len])
            ++len;
        if (len > best) {
            best = len;
            *distance = d;
            if (len == limit)
                break;
        }
    }
    return best >= SZDD_MIN_MATCH ? best : 0;
}

const uint64_t kLiteralBits = 9;
const uint64_t kReferenceBits = 17;
const uint64_t kInfinite = ~static_cast<uint64_t>(0);

}  // namespace

SzddResult SzddEncode(const uint8_t* src, size_t n, uint8_t* dest, size_t destCap, size_t* written)
{
    *written = 0;
    if (n > 0xFFFFFFFFu - kWindow)
        return SZDD_INPUT_TOO_LARGE;
    const uint32_t count = static_cast<uint32_t>(n);
    const uint32_t total = kWindow + count;

    uint8_t* text = static_cast<uint8_t*>(std::malloc(total));
    uint16_t* dist = static_cast<uint16_t*>(std::malloc((static_cast<size_t>(count) + 1) * sizeof(uint16_t)));
    uint8_t* arrival = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(count) + 1));
    MatchFinder* finder = static_cast<MatchFinder*>(std::calloc(1, sizeof(MatchFinder)));
    if (!text || !dist || !arrival || !finder) {
        std::free(text);
        std::free(dist);
        std::free(arrival);
        std::free(finder);
        return SZDD_NO_MEMORY;
    }
    std::memset(text, ' ', kWindow);
    if (count)
        std::memcpy(text + kWindow, src, count);
    finder->text = text;

    // Forward pass: the least bit count of every prefix, relaxed from each position
    // as soon as its longest match is known. Costs live in a ring of 32, which is
    // more than the 18 positions ahead that one item reaches.
    uint64_t cost[32];
    for (uint64_t& c : cost)
        c = kInfinite;
    cost[0] = 0;
    const uint32_t treeEnd = total >= SZDD_MAX_MATCH ? total - SZDD_MAX_MATCH + 1 : 0;
    for (uint32_t pos = 0; pos < total; ++pos) {
        uint32_t d = 0;
        uint32_t len = pos < treeEnd ? finder->Insert(pos, &d) : LongestMatchDirect(text, pos, total, &d);
        if (pos < kWindow)
            continue;
        uint32_t t = pos - kWindow;
        uint64_t here = cost[t & 31];
        dist[t] = static_cast<uint16_t>(d);
        if (here + kLiteralBits < cost[(t + 1) & 31]) {
            cost[(t + 1) & 31] = here + kLiteralBits;
            arrival[t + 1] = 1;
        }
        for (uint32_t l = SZDD_MIN_MATCH; l <= len; ++l) {
            if (here + kReferenceBits < cost[(t + l) & 31]) {
                cost[(t + l) & 31] = here + kReferenceBits;
                arrival[t + l] = static_cast<uint8_t>(l);
            }
        }
        cost[t & 31] = kInfinite;
    }
    const uint64_t bits = cost[count & 31];
    std::free(finder);
    std::free(text);

    const size_t size = static_cast<size_t>((bits + 7) / 8);
    if (size > destCap) {
        std::free(dist);
        std::free(arrival);
        return SZDD_DEST_TOO_SMALL;
    }

    // Backward pass: arrival[] holds the length of the best item ending at each
    // position; along the chosen path, make it the length of the item starting there.
    uint32_t next = 0;
    for (uint32_t end = count; end > 0;) {
        uint32_t len = arrival[end];
        arrival[end] = static_cast<uint8_t>(next);
        next = len;
        end -= len;
    }
    arrival[0] = static_cast<uint8_t>(next);

    uint8_t* out = dest;
    uint8_t* control = nullptr;
    uint32_t bit = 8;
    for (uint32_t t = 0; t < count;) {
        uint32_t len = arrival[t];
        if (bit == 8) {
            control = out++;
            *control = 0;
            bit = 0;
        }
        if (len == 1) {
            *control = static_cast<uint8_t>(*control | 1u << bit);
            *out++ = src[t];
        } else {
            uint32_t ringPos = (SZDD_RING_START + t - dist[t]) & (SZDD_RING_SIZE - 1);
            *out++ = static_cast<uint8_t>(ringPos);
            *out++ = static_cast<uint8_t>(((ringPos >> 4) & 0xF0) | (len - SZDD_MIN_MATCH));
        }
        ++bit;
        t += len;
    }
    std::free(dist);
    std::free(arrival);
    *written = static_cast<size_t>(out - dest);
    return SZDD_OK;
}

SzddResult SzddCompress(const uint8_t* src, size_t n, uint8_t* dest, size_t destCap, size_t* written)
{
    *written = 0;
    if (n > 0xFFFFFFFFu - kWindow)
        return SZDD_INPUT_TOO_LARGE;
    if (destCap < SZDD_HEADER_SIZE)
        return SZDD_DEST_TOO_SMALL;
    size_t streamLen = 0;
    SzddResult r = SzddEncode(src, n, dest + SZDD_HEADER_SIZE, destCap - SZDD_HEADER_SIZE, &streamLen);
    if (r != SZDD_OK)
        return r;
    SzddWriteHeader(dest, static_cast<uint32_t>(n), 0);
    *written = SZDD_HEADER_SIZE + streamLen;
    return SZDD_OK;
}
