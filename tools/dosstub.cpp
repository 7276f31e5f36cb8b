// See tools/dosstub.h.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dosstub.h"

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return static_cast<uint32_t>(U16(p)) | static_cast<uint32_t>(U16(p + 2)) << 16; }
void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool Fits(size_t size, uint64_t offset, uint64_t length)
{
    return offset <= size && length <= size - offset;
}

}  // namespace

bool DropDosProgram(std::vector<uint8_t>* image, std::string* error, uint32_t* saved)
{
    *saved = 0;
    std::vector<uint8_t>& d = *image;
    auto fail = [error](const char* why) {
        *error = why;
        return false;
    };
    const uint32_t kNewHeader = 64;
    if (!Fits(d.size(), 0, kNewHeader) || d[0] != 'M' || d[1] != 'Z')
        return fail("no MZ header");
    const uint32_t pe = U32(&d[0x3C]);
    if (!Fits(d.size(), pe, 24) || std::memcmp(&d[pe], "PE\0\0", 4) != 0)
        return fail("no PE signature");
    if (pe < kNewHeader)
        return fail("the PE header overlaps the DOS header");
    const uint8_t* coff = &d[pe + 4];
    const uint16_t sections = U16(coff + 2);
    const uint32_t symbols = U32(coff + 8);
    const uint16_t optionalSize = U16(coff + 16);
    const uint64_t optional = static_cast<uint64_t>(pe) + 24;
    if (!Fits(d.size(), optional, optionalSize) || optionalSize < 96)
        return fail("optional header outside the file");
    const uint8_t* opt = &d[optional];
    const uint16_t magic = U16(opt);
    if (magic != 0x10B && magic != 0x20B)
        return fail("unknown optional header");
    const uint32_t fileAlignment = U32(opt + 36);
    const uint32_t headersAt = 60;
    const uint32_t oldHeaders = U32(opt + headersAt);
    const uint32_t dirCountAt = magic == 0x20B ? 108 : 92;
    if (optionalSize < dirCountAt + 4 || fileAlignment == 0 || (fileAlignment & (fileAlignment - 1)))
        return fail("optional header too short or file alignment invalid");
    const uint32_t dirCount = U32(opt + dirCountAt);
    auto directory = [&](uint32_t index) -> uint32_t {
        uint32_t at = dirCountAt + 4 + 8 * index;
        return (index < dirCount && at + 8 <= optionalSize) ? U32(opt + at + 4) : 0;
    };
    if (symbols != 0)
        return fail("a COFF symbol table points at file offsets");
    if (directory(4) != 0)
        return fail("a certificate is attached: moving the sections would break it");
    if (directory(6) != 0)
        return fail("a debug directory points at file offsets");

    const uint64_t table = optional + optionalSize;
    const uint64_t tableBytes = static_cast<uint64_t>(sections) * 40;
    if (!Fits(d.size(), table, tableBytes))
        return fail("section table outside the file");
    const uint64_t used = table - pe + kNewHeader + tableBytes;  // headers once moved
    const uint64_t newHeaders = (used + fileAlignment - 1) / fileAlignment * fileAlignment;
    if (newHeaders >= oldHeaders) {
        *error = "nothing to gain";
        return true;
    }
    const uint32_t shift = static_cast<uint32_t>(oldHeaders - newHeaders);
    // Every section's data must lie after the old headers, in file order.
    uint32_t last = oldHeaders;
    for (uint16_t i = 0; i < sections; ++i) {
        const uint8_t* s = &d[table + 40 * i];
        uint32_t raw = U32(s + 16), at = U32(s + 20);
        if (raw == 0)
            continue;
        if (at < last || !Fits(d.size(), at, raw) || U32(s + 24) != 0)
            return fail("section data out of order, outside the file, or with COFF relocations");
        last = at + raw;
    }

    std::vector<uint8_t> out(d.begin(), d.begin() + kNewHeader);
    Put32(&out[0x3C], kNewHeader);
    out.insert(out.end(), d.begin() + pe, d.begin() + static_cast<long>(table + tableBytes));
    out.resize(newHeaders, 0);
    Put32(&out[kNewHeader + (optional - pe) + headersAt], static_cast<uint32_t>(newHeaders));
    Put32(&out[kNewHeader + (optional - pe) + 64], 0);  // the checksum no longer holds
    const uint64_t newTable = kNewHeader + (table - pe);
    for (uint16_t i = 0; i < sections; ++i) {
        uint8_t* s = &out[newTable + 40 * i];
        if (U32(s + 16) != 0)
            Put32(s + 20, U32(s + 20) - shift);
    }
    out.insert(out.end(), d.begin() + oldHeaders, d.end());
    d.swap(out);
    *saved = shift;
    return true;
}

