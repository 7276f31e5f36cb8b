// The lookup in the payload's checksum record: any record, any name. The first
// byte is the name's length (the name stops early at a NUL, as a C string does),
// the next that many bytes the name, the rest the record, which sits in a buffer
// of exactly its size: any read outside it is a sanitizer report. The result is
// checked against a walk of the record by hand.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "payload/crc32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t nameSize = data[0] < size - 1 ? data[0] : size - 1;
    const std::string name(reinterpret_cast<const char*>(data + 1), nameSize);
    const std::vector<uint8_t> record(data + 1 + nameSize, data + size);

    // By hand: entries of a NUL-terminated name and four value bytes; the first one
    // named exactly `name` counts, and a cut entry ends the record.
    bool expectFound = false;
    uint32_t expectCrc = 0;
    const char* wanted = name.c_str();  // up to a NUL inside, as the lookup sees it
    for (size_t at = 0; at < record.size();) {
        const void* nul = std::memchr(record.data() + at, 0, record.size() - at);
        if (!nul)
            break;
        const size_t nameEnd = static_cast<const uint8_t*>(nul) - record.data();
        if (record.size() - nameEnd < 5)
            break;
        const std::string entry(reinterpret_cast<const char*>(record.data() + at), nameEnd - at);
        if (entry == wanted) {
            expectFound = true;
            for (int i = 3; i >= 0; --i)
                expectCrc = expectCrc << 8 | record[nameEnd + 1 + i];
            break;
        }
        at = nameEnd + 5;
    }

    uint32_t crc = 0xA5A5A5A5u;
    const bool found = FindRecordedCrc(record.data(), record.size(), name.c_str(), &crc);
    if (found != expectFound || crc != (found ? expectCrc : 0xA5A5A5A5u))
        std::abort();
    return 0;
}
