// The one reader of the SZDD header, as the copy and the codec use it. Pure: the host checks run it under the
// sanitizers, and each case sits in a buffer of exactly its size, so a read past
// the end is reported there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layouts.h"
#include "payload/szddheader.h"

namespace {

TEST(SzddHeader, ReadsMagicAndRecordedLength)
{
    struct Case {
        const char* name;
        std::string bytes;
        int ok;
        uint32_t length;
    } cases[] = {
        {"whole header", SzddRaw(0x01020304u, ""), 1, 0x01020304u},
        {"largest length", SzddRaw(0xFFFFFFFFu, "xyz"), 1, 0xFFFFFFFFu},
        {"mode other than A", SzddRaw(7, "", 'B'), 0, 0},
        {"one byte short", SzddRaw(7, "").substr(0, 13), 0, 0},
        {"wrong magic", "SZDD\x88\xF0\x27\x34" + SzddRaw(7, "").substr(8), 0, 0},
        {"plain text", "This is not a container at all.", 0, 0},
        {"empty", "", 0, 0},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes(c.bytes.begin(), c.bytes.end());
        SzddHeader header = {0, 0, 0};
        EXPECT_EQ(SzddReadHeader(bytes.data(), bytes.size(), &header), c.ok) << c.name;
        EXPECT_EQ(header.length, c.length) << c.name;  // untouched when refused
        if (c.ok) {
            EXPECT_EQ(header.mode, 'A') << c.name;
        }
    }
}

}  // namespace
