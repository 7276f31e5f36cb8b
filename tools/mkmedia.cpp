// Host-side generator of the pictures and sounds the build needs, made here rather
// than committed. Output depends on nothing but the arguments.
//   mkmedia logo OUT.bmp          the 115 x 84, 16-colour corner logo "CVKLOGO"
//   mkmedia picture OUT.bmp       the stand-in product's 128 x 80, 256-colour picture
//   mkmedia wave NAME OUT.wav     a stand-in product sound: down1, down2, down3 or up
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& b, uint16_t v) { b.push_back(v & 0xFF); b.push_back(v >> 8); }
void Put32(std::vector<uint8_t>& b, uint32_t v) { Put16(b, v & 0xFFFF); Put16(b, v >> 16); }

// The file header and BITMAPINFOHEADER of a bottom-up DIB whose palette of
// `colours` entries follows them.
void PutBmpHeaders(std::vector<uint8_t>& b, int w, int h, int bits, uint32_t compression, uint32_t imageSize,
                   uint32_t colours)
{
    uint32_t offset = 14 + 40 + colours * 4;
    b.push_back('B'); b.push_back('M');
    Put32(b, offset + imageSize); Put32(b, 0); Put32(b, offset);
    Put32(b, 40); Put32(b, static_cast<uint32_t>(w)); Put32(b, static_cast<uint32_t>(h));
    Put16(b, 1); Put16(b, static_cast<uint16_t>(bits)); Put32(b, compression); Put32(b, imageSize);
    Put32(b, 2835); Put32(b, 2835); Put32(b, colours); Put32(b, 0);
}

bool WriteFile(const char* path, const std::vector<uint8_t>& b)
{
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && ok;
}

// The 16 colours of the standard VGA palette, as R, G, B.
const uint8_t kVga[16][3] = {
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},
    {0, 0, 128},     {128, 0, 128},   {0, 128, 128},   {192, 192, 192},
    {128, 128, 128}, {255, 0, 0},     {0, 255, 0},     {255, 255, 0},
    {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

// The rows bottom-up, run-length encoded (BI_RLE4): runs of one colour as
// (count, colour pair), an end-of-line after each row and end-of-bitmap last.
// The corner logo is mostly flat colour, so this keeps setup.exe small.
std::vector<uint8_t> EncodeRle4(int w, int h, const std::vector<uint8_t>& pixels)
{
    std::vector<uint8_t> out;
    for (int y = h - 1; y >= 0; --y) {
        const uint8_t* row = &pixels[static_cast<size_t>(y * w)];
        for (int x = 0; x < w;) {
            uint8_t v = row[x] & 0x0F;
            int n = 1;
            while (x + n < w && n < 255 && (row[x + n] & 0x0F) == v)
                ++n;
            out.push_back(static_cast<uint8_t>(n));
            out.push_back(static_cast<uint8_t>((v << 4) | v));
            x += n;
        }
        out.push_back(0);
        out.push_back(0);
    }
    out.back() = 1;  // the last end-of-line becomes end-of-bitmap
    return out;
}

// Writes a bottom-up 4-bit DIB, plain or RLE4; pixels[y * w + x] holds palette
// indices, top row first.
bool WriteBmp4(const char* path, int w, int h, const std::vector<uint8_t>& pixels, bool rle = false)
{
    int stride = ((w * 4 + 31) / 32) * 4;
    std::vector<uint8_t> image;
    if (rle) {
        image = EncodeRle4(w, h, pixels);
    } else {
        for (int y = h - 1; y >= 0; --y) {
            std::vector<uint8_t> row(static_cast<size_t>(stride), 0);
            for (int x = 0; x < w; ++x) {
                uint8_t v = pixels[static_cast<size_t>(y * w + x)] & 0x0F;
                row[static_cast<size_t>(x / 2)] |= (x & 1) ? v : static_cast<uint8_t>(v << 4);
            }
            image.insert(image.end(), row.begin(), row.end());
        }
    }
    std::vector<uint8_t> b;
    PutBmpHeaders(b, w, h, 4, rle ? 2 : 0, static_cast<uint32_t>(image.size()), 16);
    for (auto& c : kVga) { b.push_back(c[2]); b.push_back(c[1]); b.push_back(c[0]); b.push_back(0); }
    b.insert(b.end(), image.begin(), image.end());
    return WriteFile(path, b);
}

// The maker's mark: a white tile with a navy border, a red "C" ring and a
// yellow bar beneath, every pixel a palette colour.
std::vector<uint8_t> DrawLogo(int w, int h)
{
    std::vector<uint8_t> p(static_cast<size_t>(w * h), 15);
    auto at = [&](int x, int y) -> uint8_t& { return p[static_cast<size_t>(y * w + x)]; };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool border = x < 3 || y < 3 || x >= w - 3 || y >= h - 3;
            if (border)
                at(x, y) = 4;
            int dx = x - 40, dy = y - 38;
            int d2 = dx * dx + dy * dy;
            if (d2 <= 26 * 26 && d2 >= 17 * 17 && !(dx > 8 && dy > -14 && dy < 14))
                at(x, y) = 9;
            if (y >= 70 && y < 76 && x >= 12 && x < w - 12)
                at(x, y) = 11;
            if (x >= 74 && x < 104 && ((y >= 18 && y < 24) || (y >= 35 && y < 41) || (y >= 52 && y < 58)))
                at(x, y) = 6;
        }
    return p;
}

// The stand-in product's picture: a dusk sky in 64 shades of blue over a band of
// hills in greens, with a pale sun; a bottom-up 8-bit DIB with its palette.
std::vector<uint8_t> DrawPicture(int w, int h)
{
    std::vector<uint8_t> b;
    int stride = (w + 3) & ~3;
    PutBmpHeaders(b, w, h, 8, 0, static_cast<uint32_t>(stride * h), 256);
    // Palette: 0-63 sky (dark to light blue), 64-127 hills (greens), 128-135 sun, rest grey.
    for (int i = 0; i < 256; ++i) {
        int r, g, bl;
        if (i < 64) { r = 20 + i; g = 30 + i * 2; bl = 90 + i * 2; }
        else if (i < 128) { r = 10 + (i - 64) / 2; g = 60 + (i - 64) * 2; bl = 20 + (i - 64) / 3; }
        else if (i < 136) { r = 255; g = 230 + (i - 128) * 3; bl = 150 + (i - 128) * 10; }
        else { r = g = bl = i; }
        b.push_back(static_cast<uint8_t>(bl)); b.push_back(static_cast<uint8_t>(g));
        b.push_back(static_cast<uint8_t>(r)); b.push_back(0);
    }
    for (int y = h - 1; y >= 0; --y) {
        std::vector<uint8_t> row(static_cast<size_t>(stride), 0);
        for (int x = 0; x < w; ++x) {
            // Integer-only drawing keeps the file identical on every host.
            int ridge = h / 2 + ((x * 7) % 23) / 3 + ((x * x) % 37) / 6 - (x % 50 < 25 ? x % 25 : 25 - x % 25) / 2;
            int dx = x - w * 3 / 4, dy = y - h / 5;
            uint8_t v;
            if (dx * dx + dy * dy < 81)
                v = static_cast<uint8_t>(128 + (dx * dx + dy * dy) / 11);
            else if (y < ridge)
                v = static_cast<uint8_t>(63 - y * 63 / h);
            else
                v = static_cast<uint8_t>(64 + ((y - ridge) * 3 + (x / 8 + y / 6) % 4 * 5) % 64);
            row[static_cast<size_t>(x)] = v;
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

struct Sound {
    const char* name;
    int millis;      // length
    int startHz;     // pitch at the start and at the end: a sweep
    int endHz;
};

const Sound kSounds[] = {
    {"down1", 620, 1200, 300},
    {"down2", 410, 900, 350},
    {"down3", 260, 700, 400},
    {"up", 180, 500, 1400},
};

// A short 8-bit mono 11025 Hz RIFF WAVE: a pitch sweep with a fading envelope and a
// second harmonic, each sample rounded, so the same arguments give the same bytes.
std::vector<uint8_t> MakeWave(const Sound& s)
{
    const uint32_t rate = 11025;
    uint32_t count = rate * static_cast<uint32_t>(s.millis) / 1000;
    std::vector<uint8_t> b;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    Put32(b, 36 + count);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(b, 16); Put16(b, 1); Put16(b, 1); Put32(b, rate); Put32(b, rate); Put16(b, 1); Put16(b, 8);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    Put32(b, count);
    double phase = 0;
    const double pi = 3.14159265358979323846;
    for (uint32_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / count;
        double hz = s.startHz + (s.endHz - s.startHz) * t;
        phase += 2 * pi * hz / rate;
        double envelope = (1 - t) * (i < 200 ? i / 200.0 : 1.0);
        double v = envelope * (0.7 * std::sin(phase) + 0.25 * std::sin(2 * phase));
        long q = std::lround(128 + 110 * v);
        b.push_back(static_cast<uint8_t>(q < 0 ? 0 : q > 255 ? 255 : q));
    }
    return b;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "logo") == 0) {
        if (!WriteBmp4(argv[2], 115, 84, DrawLogo(115, 84), true)) {
            std::fprintf(stderr, "mkmedia: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "picture") == 0) {
        if (!WriteFile(argv[2], DrawPicture(128, 80))) {
            std::fprintf(stderr, "mkmedia: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "wave") == 0) {
        for (const Sound& s : kSounds) {
            if (std::strcmp(argv[2], s.name) != 0)
                continue;
            if (!WriteFile(argv[3], MakeWave(s))) {
                std::fprintf(stderr, "mkmedia: cannot write %s\n", argv[3]);
                return 1;
            }
            return 0;
        }
        std::fprintf(stderr, "mkmedia: no sound named %s\n", argv[2]);
        return 2;
    }
    std::fprintf(stderr, "usage: mkmedia logo OUT.bmp | picture OUT.bmp | wave down1|down2|down3|up OUT.wav\n");
    return 2;
}
