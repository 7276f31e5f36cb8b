// Shows that the packer's streams are the smallest the format allows: on random
// small inputs it compares the encoder's stream with every possible parse
// (exhaustive, tiny inputs) and with a dynamic program on byte counts over the
// simulated ring (small inputs). Prints the counts; exits 1 on any difference.
#include <cstdio>
#include <string>
#include <vector>

#include "payload/szdd.h"
#include "tests/codec/reference_parse.h"

namespace {

size_t Encode(const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> out(SzddStreamBound(data.size()));
    size_t written = 0;
    SzddEncode(data.data(), data.size(), out.data(), out.size(), &written);
    return written;
}

}  // namespace

int main()
{
    const std::string alphabets[] = {" ", " a", "ab", " ab", "abc", "a b\n", ""};
    int exhaustive = 0, dynamic = 0, differ = 0;
    size_t oursTotal = 0, refTotal = 0;
    for (uint32_t seed = 0; seed < 200; ++seed)
        for (const std::string& a : alphabets) {
            std::vector<uint8_t> d = reference::RandomBytes(4 + seed % 16, seed, a);
            size_t ours = Encode(d), best = reference::ExhaustiveStreamBytes(d);
            ++exhaustive;
            if (ours != best) {
                ++differ;
                std::printf("exhaustive: n=%zu seed=%u: encoder %zu, best %zu\n", d.size(), seed, ours, best);
            }
        }
    for (uint32_t seed = 0; seed < 60; ++seed)
        for (const std::string& a : alphabets) {
            std::vector<uint8_t> d = reference::RandomBytes(50 + seed * 9, seed + 5000, a);
            size_t ours = Encode(d), best = reference::SmallestStreamBytes(d);
            ++dynamic;
            oursTotal += ours;
            refTotal += best;
            if (ours != best) {
                ++differ;
                std::printf("dynamic program: n=%zu seed=%u: encoder %zu, best %zu\n", d.size(), seed, ours, best);
            }
        }
    std::printf("optimality: %d inputs of 4-19 bytes against every parse, %d inputs of 50-581 bytes\n"
                "against the byte-count dynamic program (%zu bytes encoder, %zu bytes best): %d differ\n",
                exhaustive, dynamic, oursTotal, refTotal, differ);
    return differ ? 1 : 0;
}
