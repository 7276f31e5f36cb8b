#include "peinfo.h"

#include <cstring>

namespace {

// Little-endian reads at an offset already checked against the size.
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return static_cast<uint32_t>(U16(p)) | static_cast<uint32_t>(U16(p + 2)) << 16; }

// A character of a name as the reports print it.
char Printable(uint32_t c) { return (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?'; }

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
        *name += Printable(c);
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

// What the import readers need: the file and where its sections lie.
struct Image {
    const uint8_t* data;
    const std::vector<PeSection>* sections;
    bool is64;
};

bool Refuse(const char** why, const char* reason)
{
    *why = reason;
    return false;
}

// More imported functions than any real program has; a table that claims more is
// damaged, and reading it all would only cost memory.
const size_t kMaxImports = 65536;

// The file offset of the byte at rva and how many bytes from there its section
// holds in the file. False when no section's file data holds it.
bool MapRva(const Image& im, uint32_t rva, uint64_t* offset, uint32_t* available)
{
    for (const PeSection& s : *im.sections) {
        if (rva >= s.virtualAddress && rva - s.virtualAddress < s.rawSize) {
            *offset = s.rawOffset + static_cast<uint64_t>(rva - s.virtualAddress);
            *available = s.rawSize - (rva - s.virtualAddress);
            return true;
        }
    }
    return false;
}

// The NUL-terminated name at rva: it ends within its section and within 256 bytes.
bool NameAt(const Image& im, uint32_t rva, std::string* name)
{
    uint64_t at;
    uint32_t available;
    if (!MapRva(im, rva, &at, &available))
        return false;
    const uint8_t* p = im.data + at;
    const void* end = std::memchr(p, 0, available < 256 ? available : 256);
    if (!end || end == p)
        return false;
    name->clear();
    for (; p != end; ++p)
        *name += Printable(*p);
    return true;
}

// Reads one lookup table (names or ordinals, ended by a zero entry) into functions.
bool ReadLookupTable(const Image& im, uint32_t rva, size_t* total, std::vector<PeImport>* functions)
{
    uint64_t at;
    uint32_t available;
    if (!MapRva(im, rva, &at, &available))
        return false;
    const uint32_t step = im.is64 ? 8 : 4;
    const uint64_t ordinalFlag = im.is64 ? 1ull << 63 : 0x80000000u;
    for (uint32_t i = 0;; ++i) {
        if (i >= available / step)
            return false;  // runs off its section with no end
        const uint8_t* e = im.data + at + static_cast<uint64_t>(i) * step;
        uint64_t entry = im.is64 ? U32(e) | static_cast<uint64_t>(U32(e + 4)) << 32 : U32(e);
        if (!entry)
            return true;
        if (++*total > kMaxImports)
            return false;
        PeImport f;
        if (entry & ordinalFlag) {
            f.byOrdinal = true;
            f.ordinal = static_cast<uint16_t>(entry);
        } else {
            // A hint (the likely export index) and the name.
            uint64_t hint;
            uint32_t hintBytes;
            if (entry > 0x7FFFFFFFu || !MapRva(im, static_cast<uint32_t>(entry), &hint, &hintBytes) ||
                hintBytes < 2 || !NameAt(im, static_cast<uint32_t>(entry) + 2, &f.name))
                return false;
            f.ordinal = U16(im.data + hint);
        }
        functions->push_back(f);
    }
}

// The two tables of imported DLLs differ in their descriptors and their end.
struct ImportForm {
    bool delayLoad;
    uint32_t descriptorBytes, nameAt, lookupAt;
    const char *outside, *runsOff, *badName, *badLookup;
};

// The import directory: 20-byte descriptors (lookup table, time stamp, forwarder
// chain, name, address table) up to one without a name or an address table, which
// is where the loader stops too.
const ImportForm kImportTable = {false, 20, 12, 0, "import directory outside every section",
                                 "import directory runs off its section",
                                 "imported DLL name unterminated or outside its section",
                                 "import lookup table damaged or outside its section"};

// The delay-load directory: 32-byte descriptors (attributes, name, module handle,
// address table, name table, ...) up to one without a name.
const ImportForm kDelayTable = {true, 32, 4, 16, "delay-load directory outside every section",
                                "delay-load directory runs off its section",
                                "delay-loaded DLL name unterminated or outside its section",
                                "delay-load name table damaged or outside its section"};

bool ReadImportTable(const Image& im, uint32_t rva, const ImportForm& form, size_t* total,
                     std::vector<PeImportedDll>* dlls, const char** why)
{
    uint64_t at;
    uint32_t available;
    if (!MapRva(im, rva, &at, &available))
        return Refuse(why, form.outside);
    for (uint32_t i = 0;; ++i) {
        if (i >= available / form.descriptorBytes)
            return Refuse(why, form.runsOff);
        const uint8_t* d = im.data + at + static_cast<uint64_t>(i) * form.descriptorBytes;
        uint32_t nameRva = U32(d + form.nameAt), lookup = U32(d + form.lookupAt);
        if (form.delayLoad) {
            if (!nameRva)
                return true;
            // The old form holds addresses that depend on the image base, not RVAs.
            if (!(U32(d) & 1))
                return Refuse(why, "delay-load directory in the old address-based form");
        } else {
            uint32_t addresses = U32(d + 16);
            if (!nameRva || !addresses)
                return true;
            // Without a lookup table the address table holds the names (older linkers).
            if (!lookup)
                lookup = addresses;
        }
        PeImportedDll dll;
        dll.delayLoad = form.delayLoad;
        if (!NameAt(im, nameRva, &dll.name))
            return Refuse(why, form.badName);
        if (!ReadLookupTable(im, lookup, total, &dll.functions))
            return Refuse(why, form.badLookup);
        dlls->push_back(dll);
    }
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
    // The version fields and the subsystem sit at the same offsets in PE32 and PE32+.
    info->osMajor = U16(opt + 40);
    info->osMinor = U16(opt + 42);
    info->subsystemMajor = U16(opt + 48);
    info->subsystemMinor = U16(opt + 50);
    info->headerBytes = U32(opt + 60);
    info->checkSum = U32(opt + 64);
    info->subsystem = U16(opt + 68);
    uint32_t dirCount = U32(opt + dirCountAt);
    // Data directory `index` (RVA and size), both 0 when the header has no such entry.
    auto directory = [&](uint32_t index, uint32_t* rva, uint32_t* bytes) {
        *rva = *bytes = 0;
        uint32_t at = dirCountAt + 4 + 8 * index;
        if (index < dirCount && optionalSize >= at + 8) {
            *rva = U32(opt + at);
            *bytes = U32(opt + at + 4);
        }
    };
    uint64_t table = optional + optionalSize;
    if (!Fits(size, table, static_cast<uint64_t>(sectionCount) * 40))
        return fail("section table outside the file");
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const uint8_t* s = data + table + 40 * static_cast<uint64_t>(i);
        PeSection section;
        section.name.assign(reinterpret_cast<const char*>(s), strnlen(reinterpret_cast<const char*>(s), 8));
        section.virtualSize = U32(s + 8);
        section.virtualAddress = U32(s + 12);
        section.rawSize = U32(s + 16);
        section.rawOffset = U32(s + 20);
        if (section.rawSize && !Fits(size, section.rawOffset, section.rawSize))
            return fail("section data outside the file");
        info->sections.push_back(section);
    }
    Image image = {data, &info->sections, info->is64};

    uint32_t tlsRva, tlsSize;
    directory(9, &tlsRva, &tlsSize);
    info->hasTls = tlsRva || tlsSize;

    uint32_t importRva, delayRva, unused;
    directory(1, &importRva, &unused);
    directory(13, &delayRva, &unused);
    const char* why = nullptr;
    size_t total = 0;
    if (importRva && !ReadImportTable(image, importRva, kImportTable, &total, &info->imports, &why))
        return fail(why);
    if (delayRva && !ReadImportTable(image, delayRva, kDelayTable, &total, &info->imports, &why))
        return fail(why);

    uint32_t rsrcRva, rsrcSize;
    directory(2, &rsrcRva, &rsrcSize);
    if (!rsrcSize)
        return true;
    uint64_t rsrcOffset;
    uint32_t inSection;
    if (!MapRva(image, rsrcRva, &rsrcOffset, &inSection))
        return fail("resource directory outside every section");
    // The directory lies within the section's file data.
    Reader r = {data, size, rsrcOffset, rsrcSize < inSection ? rsrcSize : inSection};
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

PeResourceType ResourceTotal(const PeInfo& info, const char* typeName)
{
    PeResourceType total;
    total.name = typeName;
    for (const PeResourceType& t : info.resourceTypes)
        if (t.name == typeName) {
            total.count += t.count;
            total.bytes += t.bytes;
        }
    return total;
}
