// Dropping the linker's DOS program from a PE image: the headers move down, every
// section's bytes with them, and the image reads back the same.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "putbytes.h"
#include "tools/dosstub.h"
#include "tools/fileio.h"
#include "tools/peinfo.h"

namespace {

std::vector<uint8_t> LinkedProgram()
{
    std::string here = __FILE__;
    std::string root = here.substr(0, here.size() - std::strlen("tests/host/dosstub_test.cpp"));
    std::vector<uint8_t> bytes;
    ReadWholeFile("dosstub_test", (root + "tests/fuzz/corpus/peinfo/kernel32-exitprocess").c_str(), bytes);
    return bytes;
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// The bytes of each section's data, in table order.
std::vector<std::vector<uint8_t>> SectionBytes(const std::vector<uint8_t>& image)
{
    PeInfo info;
    std::string error;
    std::vector<std::vector<uint8_t>> all;
    if (!ReadPeInfo(image.data(), image.size(), &info, &error))
        return all;
    for (const PeSection& s : info.sections)
        all.emplace_back(image.begin() + s.rawOffset, image.begin() + s.rawOffset + s.rawSize);
    return all;
}

TEST(DosStub, HeadersMoveDownAndTheImageReadsBackTheSame)
{
    std::vector<uint8_t> image = LinkedProgram();
    ASSERT_GT(image.size(), 1024u);
    const uint32_t oldLfanew = U32(image, 0x3C);
    ASSERT_GT(oldLfanew, 64u);  // the linker's program is there
    const std::vector<std::vector<uint8_t>> before = SectionBytes(image);
    PeInfo info;
    std::string error;
    ASSERT_TRUE(ReadPeInfo(image.data(), image.size(), &info, &error)) << error;
    const uint32_t oldHeaders = info.headerBytes;

    std::vector<uint8_t> moved = image;
    uint32_t saved = 0;
    ASSERT_TRUE(DropDosProgram(&moved, &error, &saved)) << error;
    ASSERT_GT(saved, 0u);
    EXPECT_EQ(moved.size(), image.size() - saved);
    EXPECT_EQ(U32(moved, 0x3C), 64u);
    EXPECT_EQ(std::memcmp(moved.data() + 64, "PE\0\0", 4), 0);
    PeInfo after;
    ASSERT_TRUE(ReadPeInfo(moved.data(), moved.size(), &after, &error)) << error;
    EXPECT_EQ(after.headerBytes, oldHeaders - saved);
    EXPECT_EQ(after.headerBytes % 512, 0u);
    EXPECT_EQ(after.checkSum, 0u);
    EXPECT_EQ(SectionBytes(moved), before);
    ASSERT_EQ(after.imports.size(), info.imports.size());
    EXPECT_EQ(after.imports[0].functions[0].name, info.imports[0].functions[0].name);
    EXPECT_EQ(after.sections.size(), info.sections.size());

    // Once is enough: the second time there is nothing to gain, and nothing changes.
    std::vector<uint8_t> again = moved;
    ASSERT_TRUE(DropDosProgram(&again, &error, &saved)) << error;
    EXPECT_EQ(saved, 0u);
    EXPECT_EQ(again, moved);
}

// What points at file offsets would point at the wrong bytes after the move.
TEST(DosStub, RefusesWhatItCannotMoveAndLeavesItAsItWas)
{
    const std::vector<uint8_t> image = LinkedProgram();
    ASSERT_GT(image.size(), 1024u);
    const uint32_t pe = U32(image, 0x3C);
    const size_t optional = pe + 24;
    const size_t directories = optional + 96;  // PE32: data directories after 96 bytes
    struct Case {
        const char* name;
        size_t at;
        uint32_t value;
    } cases[] = {
        {"a certificate", directories + 4 * 8 + 4, 0x100},
        {"a debug directory", directories + 6 * 8 + 4, 0x1C},
        {"a COFF symbol table", pe + 4 + 8, 0x400},  // PointerToSymbolTable
        {"no PE signature", pe, 0x00004550 ^ 0xFF},
        {"an e_lfanew past the end", 0x3C, 0x7FFFFFF0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> damaged = image;
        Put32(damaged, c.at, c.value);
        const std::vector<uint8_t> kept = damaged;
        std::string error;
        uint32_t saved = 5;
        EXPECT_FALSE(DropDosProgram(&damaged, &error, &saved)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
        EXPECT_EQ(saved, 0u) << c.name;
        EXPECT_EQ(damaged, kept) << c.name;
    }
    // Cut anywhere in the headers: refused, never read past the end.
    for (size_t size : {size_t{0}, size_t{63}, size_t{pe + 10}, size_t{optional + 50}}) {
        std::vector<uint8_t> cut(image.begin(), image.begin() + size);
        std::string error;
        uint32_t saved = 0;
        EXPECT_FALSE(DropDosProgram(&cut, &error, &saved)) << size;
    }
}

}  // namespace
