// The copy's own reader of the SZDD header. Pure: the host checks run it under the
// sanitizers, and each case sits in a buffer of exactly its size, so a read past
// the end is reported there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layouts.h"
#include "payload/lzheader.h"

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
        {"mode is not checked here", SzddRaw(7, "", 'B'), 1, 7},
        {"one byte short", SzddRaw(7, "").substr(0, 13), 0, 0},
        {"wrong magic", "SZDD\x88\xF0\x27\x34" + SzddRaw(7, "").substr(8), 0, 0},
        {"plain text", "This is not a container at all.", 0, 0},
        {"empty", "", 0, 0},
    };
    for (const Case& c : cases) {
        const std::vector<unsigned char> bytes(c.bytes.begin(), c.bytes.end());
        uint32_t length = 0;
        EXPECT_EQ(ReadSzddHeader(bytes.data(), bytes.size(), &length), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(length, c.length) << c.name;
        }
    }
}

}  // namespace
