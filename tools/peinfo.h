// Reads what the size report needs from a PE file in memory: the header fields,
// the sections and the resources by type. Host-side; every offset is checked.
#ifndef MARVANE_PEINFO_H
#define MARVANE_PEINFO_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PeSection {
    std::string name;
    uint32_t virtualSize = 0;
    uint32_t rawSize = 0;    // bytes in the file
    uint32_t rawOffset = 0;
};

struct PeResourceType {
    std::string name;  // "EXE", or the usual name of a numbered type ("BITMAP", "#99")
    uint32_t count = 0;  // resources of the type, every language counted
    uint64_t bytes = 0;  // their data
};

struct PeInfo {
    bool is64 = false;
    uint16_t machine = 0;
    uint32_t timeStamp = 0;
    uint32_t checkSum = 0;
    uint32_t headerBytes = 0;  // SizeOfHeaders
    std::vector<PeSection> sections;
    std::vector<PeResourceType> resourceTypes;
};

// Fills info from the size bytes at data. False with a reason in *error when the
// data is not a PE image this reader understands or points outside itself.
bool ReadPeInfo(const uint8_t* data, size_t size, PeInfo* info, std::string* error);

// Bytes of the resources of the named type (0 when there are none).
uint64_t ResourceBytes(const PeInfo& info, const char* typeName);
uint32_t ResourceCount(const PeInfo& info, const char* typeName);

#endif
