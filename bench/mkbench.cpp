// Inputs for the benchmarks, the same bytes on every host (integer arithmetic only):
//   mkbench program BYTES OUT   a program-like file of BYTES bytes: machine code,
//                               tables of addresses, text in 8 and 16 bits, zero
//                               padding and already-compressed data, in blocks, so
//                               that it packs about as well as a real program. A
//                               shorter file is the start of a longer one.
//   mkbench wave8 IN OUT        a 16-bit PCM WAVE as 8-bit PCM (same rate and
//                               channels, samples rounded)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// splitmix64: small, fast and the same everywhere.
struct Random {
    uint64_t state;
    uint64_t Next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }
    // Small values much more often than large ones.
    uint32_t Skewed(uint32_t n)
    {
        uint32_t a = Below(n);
        uint32_t b = Below(n);
        return a < b ? a : b;
    }
};

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

const char* const kWords[] = {
    "the", "of", "to", "and", "a", "in", "is", "file", "for", "you", "that", "with", "on", "this", "program",
    "window", "be", "are", "not", "or", "can", "from", "by", "it", "an", "at", "all", "select", "click",
    "directory", "Marvane", "error", "cannot", "open", "menu", "help", "option", "press", "enter", "data",
    "disk", "settings", "display", "choose", "default", "name", "sound", "picture", "if", "when", "new",
    "save", "print", "format", "version", "copy", "setup", "user", "value", "text", "list", "item", "dialog",
    "button", "OK", "Cancel", "Retry", "memory", "drive", "network", "printer", "document", "page", "line",
    "table", "field", "record", "index", "search", "replace", "insert", "delete", "font", "color", "size",
};
const int kWordCount = sizeof kWords / sizeof kWords[0];

// Prose as in string tables, help and messages; `wide` writes it as 16-bit text.
void Text(Random& r, Bytes& out, size_t n, bool wide)
{
    size_t end = out.size() + n;
    bool start = true;
    while (out.size() < end) {
        const char* w = kWords[r.Skewed(kWordCount)];
        for (const char* c = w; *c; ++c) {
            char ch = (start && *c >= 'a' && *c <= 'z') ? static_cast<char>(*c - 32) : *c;
            out.push_back(static_cast<uint8_t>(ch));
            if (wide)
                out.push_back(0);
            start = false;
        }
        uint32_t p = r.Below(16);
        const char* sep = p == 0 ? ".\r\n" : p == 1 ? ". " : p == 2 ? ", " : " ";
        start = p < 2;
        for (const char* c = sep; *c; ++c) {
            out.push_back(static_cast<uint8_t>(*c));
            if (wide)
                out.push_back(0);
        }
        if (!wide && r.Below(40) == 0)
            out.push_back(0);  // end of one string
    }
    out.resize(end);
}

// x86-like code: functions with frames, loads and stores relative to the frame
// or to a few globals, calls with relative targets and padding between them.
void Code(Random& r, Bytes& out, size_t n, const uint32_t* globals, int globalCount)
{
    size_t end = out.size() + n;
    while (out.size() < end) {
        out.insert(out.end(), {0x55, 0x8B, 0xEC, 0x83, 0xEC, static_cast<uint8_t>(4 * (1 + r.Below(16)))});
        uint32_t length = 4 + r.Below(40);
        for (uint32_t i = 0; i < length; ++i) {
            switch (r.Skewed(10)) {
            case 0:  // mov reg, [ebp-x]
                out.insert(out.end(), {0x8B, static_cast<uint8_t>(0x45 + 8 * r.Below(4)),
                                       static_cast<uint8_t>(0x100 - 4 * (1 + r.Skewed(12)))});
                break;
            case 1:  // mov [ebp-x], reg
                out.insert(out.end(), {0x89, static_cast<uint8_t>(0x45 + 8 * r.Below(4)),
                                       static_cast<uint8_t>(0x100 - 4 * (1 + r.Skewed(12)))});
                break;
            case 2:  // push global
                out.push_back(0x68);
                Put32(out, globals[r.Skewed(globalCount)]);
                break;
            case 3:  // call rel32
                out.push_back(0xE8);
                Put32(out, static_cast<uint32_t>(-static_cast<int32_t>(16 * r.Skewed(0x1000) + r.Below(16))));
                break;
            case 4:  // mov eax, [global]
                out.push_back(0xA1);
                Put32(out, globals[r.Skewed(globalCount)]);
                break;
            case 5:  // test/cmp and a short jump
                out.insert(out.end(), {0x85, 0xC0, static_cast<uint8_t>(0x74 + r.Below(2)),
                                       static_cast<uint8_t>(r.Below(0x40))});
                break;
            case 6:  // push reg / pop reg
                out.push_back(static_cast<uint8_t>(0x50 + r.Below(8)));
                break;
            case 7:  // add esp, n
                out.insert(out.end(), {0x83, 0xC4, static_cast<uint8_t>(4 * (1 + r.Skewed(6)))});
                break;
            case 8:  // call [import]
                out.insert(out.end(), {0xFF, 0x15});
                Put32(out, globals[r.Below(globalCount / 4)] & 0xFFFFF000u);
                break;
            default:  // xor reg, reg
                out.insert(out.end(), {0x33, static_cast<uint8_t>(0xC0 + 9 * r.Below(4))});
                break;
            }
        }
        out.insert(out.end(), {0x8B, 0xE5, 0x5D, 0xC3});
        while (out.size() % 16)
            out.push_back(0xCC);
    }
    out.resize(end);
}

// Pointer and offset tables: increasing addresses, small counts with zero high bytes.
void Table(Random& r, Bytes& out, size_t n)
{
    size_t end = out.size() + n;
    uint32_t address = 0x00401000 + 16 * r.Below(0x8000);
    while (out.size() < end) {
        if (r.Below(4) == 0) {
            Put32(out, r.Skewed(300));
        } else {
            address += r.Below(4) ? 4 : 4 * (1 + r.Skewed(32));
            Put32(out, address);
        }
    }
    out.resize(end);
}

// Bitmaps, compressed resources: bytes that no parse shrinks.
void Noise(Random& r, Bytes& out, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        out.push_back(static_cast<uint8_t>(r.Next() >> 56));
}

int Program(unsigned long long bytes, const char* path)
{
    Random r{0x4D617276616E65ull};
    uint32_t globals[64];
    for (uint32_t& g : globals)
        g = 0x00420000 + 4 * r.Below(0x4000);
    FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "mkbench: cannot create %s\n", path);
        return 1;
    }
    Bytes block;
    unsigned long long left = bytes;
    bool ok = true;
    while (left > 0 && ok) {
        block.clear();
        size_t n = 2048 + r.Below(14336);
        uint32_t kind = r.Below(100);
        if (kind < 44)
            Code(r, block, n, globals, 64);
        else if (kind < 66)
            Text(r, block, n, false);
        else if (kind < 78)
            Text(r, block, n, true);
        else if (kind < 88)
            Table(r, block, n);
        else if (kind < 96)
            block.assign(n / 2, 0);  // section padding
        else
            Noise(r, block, n);
        size_t take = block.size() < left ? block.size() : static_cast<size_t>(left);
        ok = std::fwrite(block.data(), 1, take, f) == take;
        left -= take;
    }
    ok = (std::fclose(f) == 0) && ok;
    if (!ok)
        std::fprintf(stderr, "mkbench: cannot write %s\n", path);
    return ok ? 0 : 1;
}

uint32_t Get32(const uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void Set32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A canonical 44-byte-header PCM WAVE of 16 bits becomes the same of 8 bits.
int Wave8(const char* in, const char* outPath)
{
    FILE* f = std::fopen(in, "rb");
    if (!f) {
        std::fprintf(stderr, "mkbench: cannot open %s\n", in);
        return 1;
    }
    Bytes data;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        data.insert(data.end(), chunk, chunk + got);
    std::fclose(f);
    if (data.size() < 44 || std::memcmp(data.data(), "RIFF", 4) != 0 || std::memcmp(data.data() + 8, "WAVEfmt ", 8) != 0 ||
        Get32(&data[16]) != 16 || (data[20] | data[21] << 8) != 1 || (data[34] | data[35] << 8) != 16 ||
        std::memcmp(data.data() + 36, "data", 4) != 0) {
        std::fprintf(stderr, "mkbench: %s is not a plain 16-bit PCM WAVE\n", in);
        return 1;
    }
    uint32_t samples = Get32(&data[40]) / 2;
    if (44 + 2ull * samples > data.size()) {
        std::fprintf(stderr, "mkbench: %s is truncated\n", in);
        return 1;
    }
    unsigned channels = data[22] | data[23] << 8;
    uint32_t rate = Get32(&data[24]);
    Bytes out(data.begin(), data.begin() + 44);
    Set32(&out[4], 36 + samples);
    Set32(&out[28], rate * channels);         // bytes per second
    out[32] = static_cast<uint8_t>(channels);  // block align
    out[33] = 0;
    out[34] = 8;
    Set32(&out[40], samples);
    for (uint32_t i = 0; i < samples; ++i) {
        int s = static_cast<int16_t>(data[44 + 2 * i] | data[45 + 2 * i] << 8);
        int v = (s + 128) >> 8;  // rounded; arithmetic shift
        if (v > 127)
            v = 127;
        out.push_back(static_cast<uint8_t>(v + 128));
    }
    FILE* o = std::fopen(outPath, "wb");
    bool ok = o && std::fwrite(out.data(), 1, out.size(), o) == out.size();
    if (o)
        ok = (std::fclose(o) == 0) && ok;
    if (!ok) {
        std::fprintf(stderr, "mkbench: cannot write %s\n", outPath);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "program") == 0) {
        char* end = nullptr;
        unsigned long long bytes = std::strtoull(argv[2], &end, 10);
        if (end && *end == '\0' && bytes > 0)
            return Program(bytes, argv[3]);
    }
    if (argc == 4 && std::strcmp(argv[1], "wave8") == 0)
        return Wave8(argv[2], argv[3]);
    std::fprintf(stderr, "usage: mkbench program BYTES OUT | wave8 IN.wav OUT.wav\n");
    return 2;
}
