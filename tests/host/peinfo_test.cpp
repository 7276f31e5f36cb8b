// The size report's reader, on PE images made up in memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tools/peinfo.h"
#include "putbytes.h"

namespace {

// A PE32 image: headers at 0, .text at file 0x200 (RVA 0x1000), .rsrc at file
// 0x400 (RVA 0x2000) holding one type "EXE" with two resources (sizes 100 and
// 28, two languages of the second) and one BITMAP (type 2) of 40 bytes.
std::vector<uint8_t> MakeImage()
{
    std::vector<uint8_t> b(0x600, 0);
    PutPeSignature(b);
    size_t coff = 0x84;
    Put16(b, coff, 0x14C);
    Put16(b, coff + 2, 2);          // sections
    Put32(b, coff + 4, 0x12345678);  // time stamp
    Put16(b, coff + 16, 224);       // optional header size
    size_t opt = coff + 20;
    Put16(b, opt, 0x10B);
    Put32(b, opt + 60, 0x200);  // SizeOfHeaders
    Put32(b, opt + 64, 0xCAFE);
    Put32(b, opt + 92, 16);      // data directories
    Put32(b, opt + 96 + 2 * 8, 0x2000);
    Put32(b, opt + 96 + 2 * 8 + 4, 0x100);
    size_t sec = opt + 224;
    PutSection(b, sec, ".text", 0x150, 0x1000, 0x200, 0x200);
    PutSection(b, sec + 40, ".rsrc", 0x100, 0x2000, 0x200, 0x400);

    size_t r = 0x400;
    // Root: one named type, one numbered.
    Put16(b, r + 12, 1);
    Put16(b, r + 14, 1);
    Put32(b, r + 16, 0x80000000u | 0xF0);  // name at 0xF0
    Put32(b, r + 20, 0x80000000u | 0x30);  // EXE names directory
    Put32(b, r + 24, 2);
    Put32(b, r + 28, 0x80000000u | 0x60);  // BITMAP names directory
    // EXE: two names, each a language directory.
    Put16(b, r + 0x30 + 14, 2);
    Put32(b, r + 0x30 + 16, 1);
    Put32(b, r + 0x30 + 20, 0x80000000u | 0x78);
    Put32(b, r + 0x30 + 24, 2);
    Put32(b, r + 0x30 + 28, 0x80000000u | 0x98);
    // BITMAP: one name straight to a data entry (depth is not checked for leaves).
    Put16(b, r + 0x60 + 14, 1);
    Put32(b, r + 0x60 + 16, 1);
    Put32(b, r + 0x60 + 20, 0xC0);
    // Languages of EXE 1: one entry; of EXE 2: two entries.
    Put16(b, r + 0x78 + 14, 1);
    Put32(b, r + 0x78 + 16, 1033);
    Put32(b, r + 0x78 + 20, 0xD0);
    Put16(b, r + 0x98 + 14, 2);
    Put32(b, r + 0x98 + 16, 1033);
    Put32(b, r + 0x98 + 20, 0xE0);
    Put32(b, r + 0x98 + 24, 1031);
    Put32(b, r + 0x98 + 28, 0xE0);
    // Data entries: RVA, size.
    Put32(b, r + 0xC0 + 4, 40);
    Put32(b, r + 0xD0 + 4, 100);
    Put32(b, r + 0xE0 + 4, 14);
    // The type name "EXE".
    Put16(b, r + 0xF0, 3);
    Put16(b, r + 0xF2, 'E');
    Put16(b, r + 0xF4, 'X');
    Put16(b, r + 0xF6, 'E');
    return b;
}

TEST(PeInfo, ReadsHeaderSectionsAndResources)
{
    std::vector<uint8_t> image = MakeImage();
    PeInfo info;
    std::string error;
    ASSERT_TRUE(ReadPeInfo(image.data(), image.size(), &info, &error)) << error;
    EXPECT_FALSE(info.is64);
    EXPECT_EQ(info.timeStamp, 0x12345678u);
    EXPECT_EQ(info.checkSum, 0xCAFEu);
    EXPECT_EQ(info.headerBytes, 0x200u);
    ASSERT_EQ(info.sections.size(), 2u);
    EXPECT_EQ(info.sections[0].name, ".text");
    EXPECT_EQ(info.sections[0].virtualSize, 0x150u);
    EXPECT_EQ(info.sections[1].rawOffset, 0x400u);
    EXPECT_EQ(ResourceTotal(info, "EXE").bytes, 128u);
    EXPECT_EQ(ResourceTotal(info, "EXE").count, 3u);
    EXPECT_EQ(ResourceTotal(info, "BITMAP").bytes, 40u);
    EXPECT_EQ(ResourceTotal(info, "STRING").bytes, 0u);
}

struct Damage {
    size_t at;
    uint32_t value;
    bool wide;  // 32-bit field, else 16
    const char* what;
};

// Every pointer that leads outside the data is refused, never followed.
TEST(PeInfo, RefusesWhatPointsOutside)
{
    const Damage damages[] = {
        {0, 'X', false, "MZ"},
        {0x3C, 0x10000, true, "PE offset"},
        {0x84 + 2, 40, false, "section count"},
        {0x84 + 16, 0xFFFF, false, "optional header size"},
        {0x84 + 20 + 224 + 40 + 16, 0x1000, true, "section size"},
        {0x400 + 14, 0x7FFF, false, "type count"},
        {0x400 + 16, 0x80000000u | 0x1000, true, "type name"},
        {0x400 + 20, 0x80000000u | 0xFFF8, true, "type directory"},
        {0x400 + 24 + 4, 0x60, true, "type pointing at data"},
        {0x400 + 0x98 + 20, 0x80000000u | 0x98, true, "a loop of directories"},
        {0x400 + 0x78 + 20, 0x0FFC, true, "data entry"},
        {0x400 + 0xF0, 0x4000, false, "name length"},
    };
    for (const Damage& d : damages) {
        std::vector<uint8_t> image = MakeImage();
        if (d.wide)
            Put32(image, d.at, d.value);
        else
            Put16(image, d.at, d.value);
        PeInfo info;
        std::string error;
        EXPECT_FALSE(ReadPeInfo(image.data(), image.size(), &info, &error)) << d.what;
        EXPECT_FALSE(error.empty()) << d.what;
    }
    PeInfo info;
    std::string error;
    std::vector<uint8_t> image = MakeImage();
    for (size_t size : {0u, 2u, 63u, 0x90u, 0x200u, 0x4F0u})
        EXPECT_FALSE(ReadPeInfo(image.data(), size, &info, &error)) << "cut at " << size;
}

}  // namespace
