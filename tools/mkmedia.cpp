// Host-side generator of the pictures the build needs, drawn here rather than committed.
//   mkmedia logo OUT.bmp   the 115 x 84, 16-colour corner logo "CVKLOGO"
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& b, uint16_t v) { b.push_back(v & 0xFF); b.push_back(v >> 8); }
void Put32(std::vector<uint8_t>& b, uint32_t v) { Put16(b, v & 0xFFFF); Put16(b, v >> 16); }

// The 16 colours of the standard VGA palette, as R, G, B.
const uint8_t kVga[16][3] = {
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},
    {0, 0, 128},     {128, 0, 128},   {0, 128, 128},   {192, 192, 192},
    {128, 128, 128}, {255, 0, 0},     {0, 255, 0},     {255, 255, 0},
    {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

// Writes a bottom-up 4-bit DIB; pixels[y * w + x] holds palette indices, top row first.
bool WriteBmp4(const char* path, int w, int h, const std::vector<uint8_t>& pixels)
{
    int stride = ((w * 4 + 31) / 32) * 4;
    uint32_t imageSize = static_cast<uint32_t>(stride * h);
    uint32_t offset = 14 + 40 + 16 * 4;
    std::vector<uint8_t> b;
    b.push_back('B'); b.push_back('M');
    Put32(b, offset + imageSize); Put32(b, 0); Put32(b, offset);
    Put32(b, 40); Put32(b, static_cast<uint32_t>(w)); Put32(b, static_cast<uint32_t>(h));
    Put16(b, 1); Put16(b, 4); Put32(b, 0); Put32(b, imageSize);
    Put32(b, 2835); Put32(b, 2835); Put32(b, 16); Put32(b, 0);
    for (auto& c : kVga) { b.push_back(c[2]); b.push_back(c[1]); b.push_back(c[0]); b.push_back(0); }
    for (int y = h - 1; y >= 0; --y) {
        std::vector<uint8_t> row(static_cast<size_t>(stride), 0);
        for (int x = 0; x < w; ++x) {
            uint8_t v = pixels[static_cast<size_t>(y * w + x)] & 0x0F;
            row[static_cast<size_t>(x / 2)] |= (x & 1) ? v : static_cast<uint8_t>(v << 4);
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && ok;
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

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "logo") == 0) {
        if (!WriteBmp4(argv[2], 115, 84, DrawLogo(115, 84))) {
            std::fprintf(stderr, "mkmedia: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "usage: mkmedia logo OUT.bmp\n");
    return 2;
}
