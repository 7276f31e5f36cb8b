// The CRC-32 and the lookup in the build's checksum record. Pure: the host checks
// run it under the sanitizers, and every input sits in a buffer of exactly its
// size, so a read past the end is reported there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "payload/crc32.h"
#include "payload/layouts.h"

namespace {

std::vector<unsigned char> Exact(const std::string& s, size_t size)
{
    return std::vector<unsigned char>(s.begin(), s.begin() + size);
}

TEST(Crc32, KnownValues)
{
    const std::string zeros(32, '\0'), ones(32, '\xff');
    std::string everyByte;
    for (int i = 0; i < 256; ++i)
        everyByte += static_cast<char>(i);
    const struct {
        std::string data;
        uint32_t crc;
    } cases[] = {
        {"", 0x00000000},
        {"123456789", 0xCBF43926},  // the standard check value
        {"a", 0xE8B7BE43},
        {"abc", 0x352441C2},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339},
        {zeros, 0x190A55AD},
        {ones, 0xFF6CAB0B},
        {everyByte, 0x29058C73},
    };
    for (const auto& c : cases) {
        const std::vector<unsigned char> data = Exact(c.data, c.data.size());
        EXPECT_EQ(Crc32(data.data(), data.size()), c.crc) << '"' << c.data << '"';
        // Continued over every split point, the value is the same.
        for (size_t cut = 0; cut <= data.size(); cut += 1 + data.size() / 7)
            EXPECT_EQ(Crc32(data.data() + cut, data.size() - cut, Crc32(data.data(), cut)), c.crc)
                << '"' << c.data << "\" cut at " << cut;
    }
    // Any single flipped bit changes the value.
    std::string text = "123456789";
    for (size_t i = 0; i < text.size() * 8; ++i) {
        std::string flipped = text;
        flipped[i / 8] ^= static_cast<char>(1 << (i % 8));
        EXPECT_NE(Crc32(flipped.data(), flipped.size()), 0xCBF43926u) << "bit " << i;
    }
}

// The lookup in the record: exact names, entry by entry, and nothing from a cut or
// empty record.
TEST(CrcRecord, FindRecordedCrcReadsOnlyWholeEntries)
{
    const std::string record = ChecksumEntry("EXEFILE", 0x1D777122u) + ChecksumEntry("W1", 0x00000000u) +
                               ChecksumEntry("WA", 0xFFFFFFFFu);
    // A value whose bytes spell "W1", a NUL and "x": the walk steps over values.
    const std::string tricky = ChecksumEntry("A", 0x78003157u) + ChecksumEntry("B", 0x00000001u);
    const struct {
        const std::string& record;
        size_t size;
        const char* name;
        bool found;
        uint32_t crc;
    } cases[] = {
        {record, record.size(), "EXEFILE", true, 0x1D777122u},
        {record, record.size(), "W1", true, 0},
        {record, record.size(), "WA", true, 0xFFFFFFFFu},
        {record, record.size(), "W", false, 0},         // a prefix of a name is no name
        {record, record.size(), "EXEFILE1", false, 0},  // nor is a longer one
        {record, record.size(), "exefile", false, 0},   // names are as the build writes them
        {record, record.size(), "", false, 0},
        {record, record.size() - 1, "WA", false, 0},  // the last value cut short
        {record, record.size() - 5, "WA", false, 0},  // its name without a terminator
        {record, record.size() - 1, "EXEFILE", true, 0x1D777122u},
        {record, 0, "EXEFILE", false, 0},
        {tricky, tricky.size(), "W1", false, 0},
        {tricky, tricky.size(), "x", false, 0},
        {tricky, tricky.size(), "A", true, 0x78003157u},
        {tricky, tricky.size(), "B", true, 1},
    };
    for (const auto& c : cases) {
        const std::vector<unsigned char> bytes = Exact(c.record, c.size);
        uint32_t crc = 0x12345678u;
        EXPECT_EQ(FindRecordedCrc(bytes.data(), bytes.size(), c.name, &crc), c.found) << c.name << " in " << c.size;
        EXPECT_EQ(crc, c.found ? c.crc : 0x12345678u) << c.name << " in " << c.size;
    }
}

}  // namespace
