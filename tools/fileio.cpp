#include "fileio.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

bool ReadWholeFile(const char* tool, const char* path, std::vector<uint8_t>& data)
{
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        std::fprintf(stderr, "%s: cannot open %s: %s\n", tool, path, std::strerror(errno));
        return false;
    }
    data.clear();
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        data.insert(data.end(), chunk, chunk + got);
    bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok)
        std::fprintf(stderr, "%s: cannot read %s\n", tool, path);
    return ok;
}

bool WriteWholeFile(const char* tool, const char* path, const void* data, size_t size)
{
    std::string temp = std::string(path) + ".tmp";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "%s: cannot create %s: %s\n", tool, temp.c_str(), std::strerror(errno));
        return false;
    }
    bool ok = (size == 0 || std::fwrite(data, 1, size, f) == size);
    ok = (std::fclose(f) == 0) && ok;
    if (ok && std::rename(temp.c_str(), path) != 0)
        ok = false;
    if (!ok) {
        std::fprintf(stderr, "%s: cannot write %s\n", tool, path);
        std::remove(temp.c_str());
    }
    return ok;
}
