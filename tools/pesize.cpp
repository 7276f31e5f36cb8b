// pesize FILE [--budget BYTES] [--fail-over-budget]
// Prints where the bytes of a PE file go (header, sections, resources by type) and
// the Installer's own size: the file minus the data of its payload resources
// (type "EXE"). With --fail-over-budget, exits 3 when that is above the budget.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fileio.h"
#include "peinfo.h"

int main(int argc, char** argv)
{
    const char* path = nullptr;
    long long budget = -1;
    bool failOver = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--budget") == 0 && i + 1 < argc)
            budget = std::atoll(argv[++i]);
        else if (std::strcmp(argv[i], "--fail-over-budget") == 0)
            failOver = true;
        else if (!path)
            path = argv[i];
        else
            path = nullptr, i = argc;
    }
    if (!path) {
        std::fprintf(stderr, "usage: pesize FILE [--budget BYTES] [--fail-over-budget]\n");
        return 2;
    }
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile("pesize", path, bytes))
        return 1;
    PeInfo info;
    std::string error;
    if (!ReadPeInfo(bytes.data(), bytes.size(), &info, &error)) {
        std::fprintf(stderr, "pesize: %s: %s\n", path, error.c_str());
        return 1;
    }
    const char* name = std::strrchr(path, '/');
    name = name ? name + 1 : path;
    std::printf("%s: %zu bytes, %s, time stamp %u, checksum 0x%08x\n", name, bytes.size(),
                info.is64 ? "PE32+" : "PE32", info.timeStamp, info.checkSum);
    std::printf("  file bytes:  headers %u", info.headerBytes);
    for (const PeSection& s : info.sections)
        std::printf(", %s %u", s.name.c_str(), s.rawSize);
    std::printf("\n  in use:     ");
    for (size_t i = 0; i < info.sections.size(); ++i) {
        const PeSection& s = info.sections[i];
        std::printf("%s%s %u", i ? ", " : " ", s.name.c_str(), s.virtualSize);
    }
    std::printf("\n  resources:  ");
    if (info.resourceTypes.empty())
        std::printf(" none");
    for (size_t i = 0; i < info.resourceTypes.size(); ++i) {
        const PeResourceType& t = info.resourceTypes[i];
        std::printf("%s%s %llu in %u", i ? ", " : " ", t.name.c_str(),
                    static_cast<unsigned long long>(t.bytes), t.count);
    }
    const PeResourceType exe = ResourceTotal(info, "EXE");
    uint64_t payload = exe.bytes;
    uint64_t own = bytes.size() - payload;
    std::printf("\n  Installer's own size: %llu bytes (%.1f KiB) = %zu minus %llu in %u payload resources\n",
                static_cast<unsigned long long>(own), own / 1024.0, bytes.size(),
                static_cast<unsigned long long>(payload), exe.count);
    if (budget >= 0) {
        bool over = own > static_cast<uint64_t>(budget);
        std::printf("  size budget %lld bytes: %s by %lld bytes\n", budget, over ? "OVER" : "within",
                    over ? static_cast<long long>(own) - budget : budget - static_cast<long long>(own));
        if (over && failOver)
            return 3;
    }
    return 0;
}
