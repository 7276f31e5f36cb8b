#include "peinfo.h"

#include <cstring>

namespace {

// Little-endian reads at an offset already checked against the size.
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return static_cast<uint32_t>(U16(p)) | static_cast<uint32_t>(U16(p + 2)) << 16; }

bool Fits(size_t size, uint64_t offset, uint64_t length)
{
    return offset <= size && length <= size - offset;
}

const char* StandardTypeName(uint32_t id)
{
    switch (id) {
    case 1: return "CURSOR";
    case 2: return "BITMAP";
    case 3: return "ICON";
    case 4: return "MENU";
    case 5: return "DIALOG";
    case 6: return "STRING";
    case 7: return "FONTDIR";
    case 8: return "FONT";
    case 9: return "ACCELERATOR";
    case 10: return "RCDATA";
    case 11: return "MESSAGETABLE";
    case 12: return "GROUP_CURSOR";
    case 14: return "GROUP_ICON";
    case 16: return "VERSION";
    case 24: return "MANIFEST";
    default: return nullptr;
    }
}

struct Reader {
    const uint8_t* data;
    size_t size;
    uint64_t rsrcOffset;  // where the resource directory is in the file
    uint32_t rsrcSize;
};

// True when length bytes at offset (within the resource directory) are there.
bool DirFits(const Reader& r, uint32_t offset, uint32_t length)
{
    return offset <= r.rsrcSize && length <= r.rsrcSize - offset && Fits(r.size, r.rsrcOffset + offset, length);
}

bool TypeName(const Reader& r, uint32_t nameField, std::string* name)
{
    if (!(nameField & 0x80000000u)) {
        const char* standard = StandardTypeName(nameField);
        *name = standard ? standard : "#" + std::to_string(nameField);
        return true;
    }
    uint32_t at = nameField & 0x7FFFFFFFu;
    if (!DirFits(r, at, 2))
        return false;
    uint32_t length = U16(r.data + r.rsrcOffset + at);
    if (!DirFits(r, at + 2, length * 2))
        return false;
    name->clear();
    for (uint32_t i = 0; i < length; ++i) {
        uint16_t c = U16(r.data + r.rsrcOffset + at + 2 + 2 * i);
        *name += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    return true;
}

// Adds up the data entries below a directory: depth 1 is a type's names, 2 their
// languages. A directory that points back up is cut off by the depth.
bool SumData(const Reader& r, uint32_t dirOffset, int depth, uint32_t* count, uint64_t* bytes)
{
    if (!DirFits(r, dirOffset, 16))
        return false;
    const uint8_t* dir = r.data + r.rsrcOffset + dirOffset;
    uint32_t entries = static_cast<uint32_t>(U16(dir + 12)) + U16(dir + 14);
    if (!DirFits(r, dirOffset + 16, entries * 8))
        return false;
    for (uint32_t i = 0; i < entries; ++i) {
        uint32_t target = U32(dir + 16 + 8 * i + 4);
        if (target & 0x80000000u) {
            if (depth >= 2 || !SumData(r, target & 0x7FFFFFFFu, depth + 1, count, bytes))
                return false;
        } else {
            if (!DirFits(r, target, 16))
                return false;
            *bytes += U32(r.data + r.rsrcOffset + target + 4);
            ++*count;
        }
    }
    return true;
}

}  // namespace

bool ReadPeInfo(const uint8_t* data, size_t size, PeInfo* info, std::string* error)
{
    *info = PeInfo();
    auto fail = [error](const char* why) {
        *error = why;
        return false;
    };
    if (!Fits(size, 0, 64) || data[0] != 'M' || data[1] != 'Z')
        return fail("no MZ header");
    uint32_t pe = U32(data + 0x3C);
    if (!Fits(size, pe, 24) || std::memcmp(data + pe, "PE\0\0", 4) != 0)
        return fail("no PE signature");
    const uint8_t* coff = data + pe + 4;
    info->machine = U16(coff);
    uint16_t sectionCount = U16(coff + 2);
    info->timeStamp = U32(coff + 4);
    uint16_t optionalSize = U16(coff + 16);
    uint64_t optional = static_cast<uint64_t>(pe) + 24;
    if (!Fits(size, optional, optionalSize) || optionalSize < 2)
        return fail("optional header outside the file");
    const uint8_t* opt = data + optional;
    uint16_t magic = U16(opt);
    if (magic != 0x10B && magic != 0x20B)
        return fail("unknown optional header");
    info->is64 = magic == 0x20B;
    uint32_t dirCountAt = info->is64 ? 108 : 92;
    if (optionalSize < dirCountAt + 4)
        return fail("optional header too short");
    info->checkSum = U32(opt + 64);
    info->headerBytes = U32(opt + 60);
    uint32_t dirCount = U32(opt + dirCountAt);
    uint32_t rsrcRva = 0, rsrcSize = 0;
    if (dirCount > 2 && optionalSize >= dirCountAt + 4 + 3 * 8) {
        rsrcRva = U32(opt + dirCountAt + 4 + 2 * 8);
        rsrcSize = U32(opt + dirCountAt + 4 + 2 * 8 + 4);
    }
    uint64_t table = optional + optionalSize;
    if (!Fits(size, table, static_cast<uint64_t>(sectionCount) * 40))
        return fail("section table outside the file");
    uint64_t rsrcOffset = 0;
    bool rsrcFound = false;
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const uint8_t* s = data + table + 40 * static_cast<uint64_t>(i);
        PeSection section;
        section.name.assign(reinterpret_cast<const char*>(s), strnlen(reinterpret_cast<const char*>(s), 8));
        section.virtualSize = U32(s + 8);
        uint32_t va = U32(s + 12);
        section.rawSize = U32(s + 16);
        section.rawOffset = U32(s + 20);
        if (section.rawSize && !Fits(size, section.rawOffset, section.rawSize))
            return fail("section data outside the file");
        if (rsrcSize && !rsrcFound && rsrcRva >= va && rsrcRva - va < section.rawSize) {
            rsrcOffset = section.rawOffset + static_cast<uint64_t>(rsrcRva - va);
            // The directory lies within the section's file data.
            if (rsrcSize > section.rawSize - (rsrcRva - va))
                rsrcSize = section.rawSize - (rsrcRva - va);
            rsrcFound = true;
        }
        info->sections.push_back(section);
    }
    if (!rsrcSize)
        return true;
    if (!rsrcFound)
        return fail("resource directory outside every section");
    Reader r = {data, size, rsrcOffset, rsrcSize};
    if (!DirFits(r, 0, 16))
        return fail("resource directory truncated");
    const uint8_t* root = data + rsrcOffset;
    uint32_t types = static_cast<uint32_t>(U16(root + 12)) + U16(root + 14);
    if (!DirFits(r, 16, types * 8))
        return fail("resource directory truncated");
    for (uint32_t i = 0; i < types; ++i) {
        uint32_t nameField = U32(root + 16 + 8 * i);
        uint32_t target = U32(root + 16 + 8 * i + 4);
        PeResourceType type;
        if (!TypeName(r, nameField, &type.name))
            return fail("resource type name outside the directory");
        if (!(target & 0x80000000u) || !SumData(r, target & 0x7FFFFFFFu, 1, &type.count, &type.bytes))
            return fail("malformed resource directory");
        info->resourceTypes.push_back(type);
    }
    return true;
}

uint64_t ResourceBytes(const PeInfo& info, const char* typeName)
{
    uint64_t n = 0;
    for (const PeResourceType& t : info.resourceTypes)
        if (t.name == typeName)
            n += t.bytes;
    return n;
}

uint32_t ResourceCount(const PeInfo& info, const char* typeName)
{
    uint32_t n = 0;
    for (const PeResourceType& t : info.resourceTypes)
        if (t.name == typeName)
            n += t.count;
    return n;
}
