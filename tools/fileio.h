// Whole-file reading and writing for the host-side build tools. Failures are
// reported on stderr, prefixed with the tool's name.
#ifndef MARVANE_TOOLS_FILEIO_H
#define MARVANE_TOOLS_FILEIO_H

#include <cstddef>
#include <cstdint>
#include <vector>

// Reads the whole file at path into data.
bool ReadWholeFile(const char* tool, const char* path, std::vector<uint8_t>& data);

// Writes size bytes as the file at path: beside it first, then renamed over it, so
// that a failed run leaves no half-written file for the build to take up.
bool WriteWholeFile(const char* tool, const char* path, const void* data, size_t size);

#endif
