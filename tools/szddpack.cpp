// Host-side SZDD packer for the payload resources.
//   szddpack IN OUT            writes OUT, the SZDD container of IN (smallest stream)
//   szddpack -d IN OUT         expands the container IN into OUT
//   szddpack --check IN [ORIG] checks that IN expands whole to its recorded length
//                              (and, given ORIG, to exactly ORIG's bytes)
// Every packed container is expanded again and compared before it is written.
#include <cstdio>
#include <cstring>
#include <vector>

#include "payload/szdd.h"
#include "fileio.h"

namespace {

const char* ResultText(SzddResult r)
{
    switch (r) {
    case SZDD_OK: return "ok";
    case SZDD_BAD_HEADER: return "not an SZDD container (magic or mode)";
    case SZDD_TRUNCATED: return "stream stops inside a reference";
    case SZDD_TOO_SHORT: return "stream shorter than the recorded length";
    case SZDD_TOO_LONG: return "stream longer than the recorded length";
    case SZDD_DEST_TOO_SMALL: return "output buffer too small";
    case SZDD_INPUT_TOO_LARGE: return "input too large for the length field";
    case SZDD_NO_MEMORY: return "out of memory";
    }
    return "unknown error";
}

bool ReadAll(const char* path, std::vector<uint8_t>& data)
{
    return ReadWholeFile("szddpack", path, data);
}

bool WriteAll(const char* path, const uint8_t* data, size_t size)
{
    return WriteWholeFile("szddpack", path, data, size);
}

// Expands a container; reports and returns false unless it is whole and exact.
bool Expand(const char* name, const std::vector<uint8_t>& container, std::vector<uint8_t>& out)
{
    SzddHeader header;
    if (!SzddReadHeader(container.data(), container.size(), &header)) {
        std::fprintf(stderr, "szddpack: %s: %s\n", name, ResultText(SZDD_BAD_HEADER));
        return false;
    }
    out.assign(header.length, 0);
    size_t written = 0;
    SzddResult r = SzddExpand(container.data(), container.size(), out.data(), out.size(), &written);
    if (r != SZDD_OK) {
        std::fprintf(stderr, "szddpack: %s: %s (%zu of %u bytes)\n", name, ResultText(r), written,
                     static_cast<unsigned>(header.length));
        return false;
    }
    return true;
}

int Pack(const char* in, const char* outPath)
{
    std::vector<uint8_t> data;
    if (!ReadAll(in, data))
        return 1;
    std::vector<uint8_t> container(SzddContainerBound(data.size()));
    size_t size = 0;
    SzddResult r = SzddCompress(data.data(), data.size(), container.data(), container.size(), &size);
    if (r != SZDD_OK) {
        std::fprintf(stderr, "szddpack: %s: %s\n", in, ResultText(r));
        return 1;
    }
    container.resize(size);
    std::vector<uint8_t> again;
    if (!Expand(in, container, again) || again != data) {
        std::fprintf(stderr, "szddpack: %s: the container does not expand to the input\n", in);
        return 1;
    }
    return WriteAll(outPath, container.data(), container.size()) ? 0 : 1;
}

int Unpack(const char* in, const char* outPath)
{
    std::vector<uint8_t> container, data;
    if (!ReadAll(in, container) || !Expand(in, container, data))
        return 1;
    return WriteAll(outPath, data.data(), data.size()) ? 0 : 1;
}

int Check(const char* in, const char* original)
{
    std::vector<uint8_t> container, data, expected;
    if (!ReadAll(in, container) || !Expand(in, container, data))
        return 1;
    if (original) {
        if (!ReadAll(original, expected))
            return 1;
        if (data != expected) {
            std::fprintf(stderr, "szddpack: %s does not expand to %s\n", in, original);
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && argv[1][0] != '-')
        return Pack(argv[1], argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "-d") == 0)
        return Unpack(argv[2], argv[3]);
    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--check") == 0)
        return Check(argv[2], argc == 4 ? argv[3] : nullptr);
    std::fprintf(stderr,
                 "usage: szddpack IN OUT           pack IN into the SZDD container OUT\n"
                 "       szddpack -d IN OUT        expand the container IN into OUT\n"
                 "       szddpack --check IN [ORIG] check IN (against ORIG)\n");
    return 2;
}
