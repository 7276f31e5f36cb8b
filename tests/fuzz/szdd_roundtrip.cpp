// The SZDD encoder: any data survives compression and expansion, within the
// bound the encoder promises.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "payload/szdd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 4096)
        return 0;
    std::vector<uint8_t> packed(SzddContainerBound(size));
    size_t packedLen = 0;
    if (SzddCompress(data, size, packed.data(), packed.size(), &packedLen) != SZDD_OK || packedLen > packed.size())
        std::abort();
    std::vector<uint8_t> back(size + 1);
    size_t backLen = 0;
    if (SzddExpand(packed.data(), packedLen, back.data(), size, &backLen) != SZDD_OK || backLen != size ||
        std::memcmp(back.data(), data, size) != 0)
        std::abort();
    return 0;
}
