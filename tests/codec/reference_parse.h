// Independent yardsticks for the encoder, written from the decoding rules alone:
// they simulate the ring itself (no distances, no match finder) and know nothing of
// how the encoder searches; and the deterministic inputs they are tried on. Used by
// the tests and by the benchmark.
#ifndef MARVANE_REFERENCE_PARSE_H
#define MARVANE_REFERENCE_PARSE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace reference {

const int kRing = 4096;
const int kStart = 4080;

// For each position t, every length L (3..18) such that some ring position
// reproduces data[t..t+L) when copied byte by byte from the ring as it stands
// after data[0..t). Bit L of the result's t-th entry is set when L can be had.
inline std::vector<uint32_t> ReachableLengths(const std::vector<uint8_t>& data)
{
    const size_t n = data.size();
    std::vector<uint32_t> lengths(n, 0);
    std::vector<uint8_t> ring(kRing, ' ');
    for (size_t t = 0; t < n; ++t) {
        const int write0 = static_cast<int>((kStart + t) % kRing);
        for (int r = 0; r < kRing; ++r) {
            // Copy from r while the output agrees with the data; a byte read from a
            // ring cell that this copy has already written is the byte written there.
            for (int k = 0; k < 18 && t + k < n; ++k) {
                int cell = (r + k) % kRing;
                int written = (cell - write0 + kRing) % kRing;
                uint8_t c = written < k ? data[t + written] : ring[cell];
                if (c != data[t + k])
                    break;
                if (k + 1 >= 3)
                    lengths[t] |= 1u << (k + 1);
            }
        }
        ring[write0] = data[t];
    }
    return lengths;
}

// Bytes of a stream of `literals` literals and `refs` references: one control
// byte per eight items, one byte per literal, two per reference.
inline size_t StreamBytes(size_t literals, size_t refs)
{
    return (literals + refs + 7) / 8 + literals + 2 * refs;
}

// The fewest stream bytes for data, by dynamic programming over positions on
// the pair (literals, references) reachable at each position: every Pareto-best
// pair is kept, so the byte count is minimised directly, not through bits.
inline size_t SmallestStreamBytes(const std::vector<uint8_t>& data)
{
    const size_t n = data.size();
    std::vector<uint32_t> reach = ReachableLengths(data);
    // best[t][refs] = fewest literals that reach t with that many references.
    const size_t none = static_cast<size_t>(-1);
    std::vector<std::vector<size_t>> best(n + 1);
    best[0].assign(1, 0);
    for (size_t t = 0; t < n; ++t) {
        for (size_t refs = 0; refs < best[t].size(); ++refs) {
            size_t lit = best[t][refs];
            if (lit == none)
                continue;
            auto offer = [&](size_t to, size_t r, size_t l) {
                if (best[to].size() <= r)
                    best[to].resize(r + 1, none);
                if (l < best[to][r])
                    best[to][r] = l;
            };
            offer(t + 1, refs, lit + 1);
            for (int len = 3; len <= 18; ++len)
                if (reach[t] >> len & 1)
                    offer(t + static_cast<size_t>(len), refs + 1, lit);
        }
    }
    size_t smallest = none;
    for (size_t refs = 0; refs < best[n].size(); ++refs)
        if (best[n][refs] != none) {
            size_t bytes = StreamBytes(best[n][refs], refs);
            if (bytes < smallest)
                smallest = bytes;
        }
    return smallest;
}

// The fewest stream bytes by trying every parse (every sequence of items whose
// lengths the ring allows): exponential, for a few dozen bytes at most.
inline size_t ExhaustiveStreamBytes(const std::vector<uint8_t>& data)
{
    std::vector<uint32_t> reach = ReachableLengths(data);
    size_t smallest = static_cast<size_t>(-1);
    struct Walker {
        const std::vector<uint32_t>& reach;
        size_t n;
        size_t& smallest;
        void Go(size_t t, size_t lit, size_t refs)
        {
            if (t == n) {
                size_t bytes = StreamBytes(lit, refs);
                if (bytes < smallest)
                    smallest = bytes;
                return;
            }
            Go(t + 1, lit + 1, refs);
            for (int len = 3; len <= 18; ++len)
                if (reach[t] >> len & 1)
                    Go(t + static_cast<size_t>(len), lit, refs + 1);
        }
    } walker{reach, data.size(), smallest};
    walker.Go(0, 0, 0);
    return smallest;
}

// Deterministic pseudo-random bytes drawn from `alphabet` (all 256 values when empty).
inline std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed, const std::string& alphabet = "")
{
    std::vector<uint8_t> b(n);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1664525u + 1013904223u;
        uint8_t v = static_cast<uint8_t>(x >> 24);
        b[i] = alphabet.empty() ? v : static_cast<uint8_t>(alphabet[v % alphabet.size()]);
    }
    return b;
}

}  // namespace reference

#endif
