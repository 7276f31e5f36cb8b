// Reads what the release checks need from a PE file in memory: the header fields,
// the sections, the resources by type and the imported functions. Host-side;
// every offset is checked.
#ifndef MARVANE_PEINFO_H
#define MARVANE_PEINFO_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PeSection {
    std::string name;
    uint32_t virtualSize = 0;
    uint32_t virtualAddress = 0;  // RVA of its first byte
    uint32_t rawSize = 0;    // bytes in the file
    uint32_t rawOffset = 0;
};

struct PeResourceType {
    std::string name;  // "EXE", or the usual name of a numbered type ("BITMAP", "#99")
    uint32_t count = 0;  // resources of the type, every language counted
    uint64_t bytes = 0;  // their data
};

struct PeImport {
    std::string name;      // empty for an import by ordinal
    uint16_t ordinal = 0;  // the ordinal, or the name's hint
    bool byOrdinal = false;
};

struct PeImportedDll {
    std::string name;  // as the image spells it ("KERNEL32.dll")
    bool delayLoad = false;
    std::vector<PeImport> functions;
};

struct PeInfo {
    bool is64 = false;
    uint16_t machine = 0;
    uint32_t timeStamp = 0;
    uint32_t checkSum = 0;
    uint32_t headerBytes = 0;  // SizeOfHeaders
    uint16_t subsystem = 0;    // 2 GUI, 3 console
    uint16_t osMajor = 0, osMinor = 0;                // what the loader requires
    uint16_t subsystemMajor = 0, subsystemMinor = 0;
    bool hasTls = false;  // data directory 9 is not empty
    std::vector<PeSection> sections;
    std::vector<PeResourceType> resourceTypes;
    std::vector<PeImportedDll> imports;  // the import table, then delay-load imports
};

// Fills info from the size bytes at data. False with a reason in *error when the
// data is not a PE image this reader understands or points outside itself.
bool ReadPeInfo(const uint8_t* data, size_t size, PeInfo* info, std::string* error);

// The resources of the named type, counted and summed (0 and 0 when there are none).
PeResourceType ResourceTotal(const PeInfo& info, const char* typeName);

#endif
