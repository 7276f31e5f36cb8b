// The SZDD codec on its own: round trips, the smallest possible stream, a decoder
// that stays inside its buffers whatever it is fed, and the header bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "payload/szdd.h"
#include "reference_parse.h"

namespace {

using Bytes = std::vector<uint8_t>;

using reference::RandomBytes;

Bytes Text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

Bytes Repeat(const Bytes& unit, size_t times)
{
    Bytes b;
    for (size_t i = 0; i < times; ++i)
        b.insert(b.end(), unit.begin(), unit.end());
    return b;
}

Bytes Compress(const Bytes& data)
{
    Bytes out(SzddContainerBound(data.size()));
    size_t written = 0;
    EXPECT_EQ(SZDD_OK, SzddCompress(data.data(), data.size(), out.data(), out.size(), &written));
    out.resize(written);
    return out;
}

// Expands with the one-call API into a buffer followed by guard bytes that must
// survive untouched.
SzddResult Expand(const Bytes& container, size_t cap, Bytes* out)
{
    const size_t guard = 64;
    Bytes buffer(cap + guard, 0xA5);
    size_t written = 0;
    SzddResult r = SzddExpand(container.data(), container.size(), buffer.data(), cap, &written);
    for (size_t i = cap; i < buffer.size(); ++i)
        EXPECT_EQ(0xA5, buffer[i]) << "byte written past the caller's buffer at " << i;
    EXPECT_LE(written, cap);
    buffer.resize(written);
    *out = buffer;
    return r;
}

// Expands the stream through the resumable decoder, handing it inChunk input bytes
// and outChunk bytes of room at a time.
Bytes ExpandInPieces(const Bytes& container, size_t inChunk, size_t outChunk, SzddStatus* last)
{
    SzddDecoder d;
    SzddDecoderInit(&d);
    Bytes out;
    size_t at = SZDD_HEADER_SIZE;
    Bytes room(outChunk);
    for (int guard = 0; guard < 100000000; ++guard) {
        size_t inLen = std::min(inChunk, container.size() - at);
        int end = at + inLen == container.size();
        size_t outLen = room.size();
        SzddStatus s = SzddDecode(&d, room.data(), &outLen, container.data() + at, &inLen, end);
        at += inLen;
        out.insert(out.end(), room.begin(), room.begin() + static_cast<long>(outLen));
        *last = s;
        if (s == SZDD_STATUS_FINISHED || s == SZDD_STATUS_TRUNCATED)
            break;
    }
    return out;
}

struct RoundTrip {
    const char* name;
    Bytes data;
};

std::vector<RoundTrip> RoundTrips()
{
    Bytes all256;
    for (int i = 0; i < 256; ++i)
        all256.push_back(static_cast<uint8_t>(i));
    Bytes block = RandomBytes(4096, 7);
    Bytes prose = Text("It was the best of times, it was the worst of times, it was the age of "
                       "wisdom, it was the age of foolishness, it was the epoch of belief. ");
    return {
        {"empty", {}},
        {"one byte", {0x41}},
        {"one space", {0x20}},
        {"two bytes", {0x00, 0xFF}},
        {"three spaces", Text("   ")},
        {"spaces to the ring's end", Bytes(16, ' ')},
        {"spaces past the ring", Bytes(5000, ' ')},
        {"spaces then text", Text("                  x                  y   z")},
        {"run of one byte", Bytes(100000, 'a')},
        {"run of zeros across many wraps", Bytes(70000, 0)},
        {"short period", Repeat(Text("ab"), 30000)},
        {"period 19", Repeat(Text("abcdefghijklmnopqrs"), 3000)},
        {"text", Repeat(prose, 200)},
        {"random", RandomBytes(100000, 1)},
        {"random small alphabet", RandomBytes(200000, 2, " ab")},
        {"all 256 values", Repeat(all256, 3)},
        {"block at distance 4096", Repeat(block, 3)},
        {"block at distance 4097", [&] { Bytes b = block; b.push_back('!'); return Repeat(b, 3); }()},
        {"ring wrap with long runs", [] {
             Bytes b;
             for (int i = 0; i < 40; ++i) {
                 Bytes r = RandomBytes(3000, static_cast<uint32_t>(i));
                 b.insert(b.end(), r.begin(), r.end());
                 b.insert(b.end(), 1500, static_cast<uint8_t>(i));
             }
             return b;
         }()},
    };
}

TEST(CodecRoundTrip, EveryInputComesBackWholeAndNoLargerThanLiterals)
{
    for (const RoundTrip& c : RoundTrips()) {
        SCOPED_TRACE(c.name);
        Bytes container = Compress(c.data);
        ASSERT_GE(container.size(), static_cast<size_t>(SZDD_HEADER_SIZE));
        EXPECT_LE(container.size(), SzddContainerBound(c.data.size()));

        SzddHeader h;
        ASSERT_TRUE(SzddReadHeader(container.data(), container.size(), &h));
        EXPECT_EQ(c.data.size(), h.length);
        EXPECT_EQ(0, h.lastChar);

        Bytes out;
        EXPECT_EQ(SZDD_OK, Expand(container, c.data.size(), &out));
        EXPECT_TRUE(out == c.data);

        // Same bytes through the resumable decoder with tiny and odd-sized buffers.
        const size_t pieces[][2] = {{1, 1}, {1, 7}, {3, 1}, {13, 1000}, {65536, 65536}};
        for (const auto& p : pieces) {
            if (c.data.size() > 20000 && p[0] * p[1] < 64)
                continue;  // byte-at-a-time runs on the small inputs only
            SzddStatus last = SZDD_STATUS_NEEDS_INPUT;
            Bytes pieced = ExpandInPieces(container, p[0], p[1], &last);
            EXPECT_EQ(SZDD_STATUS_FINISHED, last) << p[0] << "/" << p[1];
            EXPECT_TRUE(pieced == c.data) << p[0] << "/" << p[1];
        }
    }
}

TEST(CodecRoundTrip, KnownSmallestStreams)
{
    struct Case {
        const char* name;
        Bytes data;
        size_t stream;
    } cases[] = {
        {"empty", {}, 0},
        {"one literal", {'x'}, 2},
        {"18 spaces are one reference into the initial ring", Bytes(18, ' '), 3},
        {"3 spaces are one reference", Bytes(3, ' '), 3},
        {"two spaces stay literals", Bytes(2, ' '), 3},
        // 'a' then 17 more by one overlapping reference: control, literal, reference.
        {"overlapping run", Bytes(18, 'a'), 4},
        // 8 references of 18 spaces fill one control byte; the ninth needs another.
        {"144 spaces", Bytes(144, ' '), 17},
        {"145 spaces", Bytes(145, ' '), 19},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes stream(SzddStreamBound(c.data.size()) + 1);
        size_t written = 99;
        ASSERT_EQ(SZDD_OK, SzddEncode(c.data.data(), c.data.size(), stream.data(), stream.size(), &written));
        EXPECT_EQ(c.stream, written);
    }
}

// The encoder against the two yardsticks: every parse tried (tiny inputs) and a
// dynamic program on byte counts over the ring simulated directly (small inputs).
TEST(CodecOptimal, NoParseIsSmallerThanTheEncoders)
{
    const std::string alphabets[] = {" ", " a", "ab", " ab", "abc", "a b\n", ""};
    int checked = 0;
    for (uint32_t seed = 0; seed < 60; ++seed) {
        for (const std::string& alphabet : alphabets) {
            size_t n = seed % 17 + (alphabet.size() < 3 ? 4 : 1);
            Bytes data = RandomBytes(n, seed * 31 + static_cast<uint32_t>(alphabet.size()), alphabet);
            Bytes stream(SzddStreamBound(n));
            size_t written = 0;
            ASSERT_EQ(SZDD_OK, SzddEncode(data.data(), n, stream.data(), stream.size(), &written));
            size_t exhaustive = reference::ExhaustiveStreamBytes(data);
            ASSERT_EQ(exhaustive, written) << "n=" << n << " alphabet='" << alphabet << "' seed=" << seed;
            ++checked;
        }
    }
    EXPECT_GT(checked, 400);

    for (uint32_t seed = 0; seed < 40; ++seed) {
        for (const std::string& alphabet : alphabets) {
            size_t n = 40 + seed * 7;
            Bytes data = RandomBytes(n, seed + 1000, alphabet);
            if (seed % 5 == 0)  // text that starts with spaces reaches into the initial ring
                std::memset(data.data(), ' ', n / 3);
            Bytes stream(SzddStreamBound(n));
            size_t written = 0;
            ASSERT_EQ(SZDD_OK, SzddEncode(data.data(), n, stream.data(), stream.size(), &written));
            ASSERT_EQ(reference::SmallestStreamBytes(data), written)
                << "n=" << n << " alphabet='" << alphabet << "' seed=" << seed;
        }
    }
}

TEST(CodecOptimal, AlsoAtTheWindowsEdge)
{
    // A block seen again exactly 4096 bytes later (the farthest ring position in
    // reach) and 4097 bytes later (out of reach): the best matches sit on the edge.
    Bytes block = RandomBytes(300, 5, "ab ");
    for (size_t gap : {size_t{4096}, size_t{4097}}) {
        SCOPED_TRACE(gap);
        Bytes data = block;
        Bytes filler = RandomBytes(gap - block.size(), 6, "cd");
        data.insert(data.end(), filler.begin(), filler.end());
        data.insert(data.end(), block.begin(), block.end());
        Bytes stream(SzddStreamBound(data.size()));
        size_t written = 0;
        ASSERT_EQ(SZDD_OK, SzddEncode(data.data(), data.size(), stream.data(), stream.size(), &written));
        EXPECT_EQ(reference::SmallestStreamBytes(data), written);
    }
}

TEST(CodecEncode, ReportsABufferTooSmall)
{
    Bytes data = RandomBytes(1000, 3);
    Bytes stream(SzddStreamBound(data.size()));
    size_t written = 0;
    ASSERT_EQ(SZDD_OK, SzddEncode(data.data(), data.size(), stream.data(), stream.size(), &written));
    Bytes small(written - 1);
    EXPECT_EQ(SZDD_DEST_TOO_SMALL, SzddEncode(data.data(), data.size(), small.data(), small.size(), &written));
    EXPECT_EQ(SZDD_DEST_TOO_SMALL, SzddCompress(data.data(), data.size(), small.data(), 10, &written));
}

// ---- Decoder robustness -------------------------------------------------------

Bytes Container(uint32_t length, const Bytes& stream)
{
    Bytes c(SZDD_HEADER_SIZE);
    SzddWriteHeader(c.data(), length, 0);
    c.insert(c.end(), stream.begin(), stream.end());
    return c;
}

TEST(CodecDecode, HandMadeStreams)
{
    struct Case {
        const char* name;
        uint32_t length;
        Bytes stream;
        SzddResult result;
        Bytes out;
    } cases[] = {
        {"empty stream, length 0", 0, {}, SZDD_OK, {}},
        {"last control byte announces eight, two follow", 2, {0xFF, 'h', 'i'}, SZDD_OK, Text("hi")},
        {"reference announced, none follows", 1, {0x01, 'x'}, SZDD_OK, Text("x")},
        {"lone first byte of a reference at the end is ignored", 1, {0x01, 'x', 0x00}, SZDD_OK, Text("x")},
        {"reference cut after its first byte, more expected", 4, {0x00, 0xF0}, SZDD_TRUNCATED, {}},
        {"reference to the initial spaces", 5, {0x00, 0x00, 0x02}, SZDD_OK, Text("     ")},
        // Ring position 4080 is where the first byte lands: "ab", then copy 4 from there.
        {"overlapping reference", 6, {0x03, 'a', 'b', 0xF0, 0xF1}, SZDD_OK, Text("ababab")},
        // 16 literals fill ring positions 4080..4095; a copy from 4094 wraps to 0,
        // which it has itself just written.
        {"reference across the ring's end", 20,
         {0xFF, '0', '1', '2', '3', '4', '5', '6', '7', 0xFF, '8', '9', 'A', 'B', 'C', 'D', 'E', 'F',
          0x00, 0xFE, 0xF1},
         SZDD_OK, Text("0123456789ABCDEFEFEF")},
        {"stream shorter than the length", 5, {0x03, 'a', 'b'}, SZDD_TOO_SHORT, Text("ab")},
        {"stream longer than the length", 2, {0x07, 'a', 'b', 'c'}, SZDD_TOO_LONG, Text("ab")},
        {"reference longer than the length", 4, {0x00, 0x00, 0x0F}, SZDD_TOO_LONG, Text("    ")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes out;
        Bytes container = Container(c.length, c.stream);
        EXPECT_EQ(c.result, Expand(container, c.length, &out));
        EXPECT_TRUE(out == c.out);
    }
}

TEST(CodecDecode, EveryTruncationOfAContainerIsCaught)
{
    Bytes data = Repeat(Text("Marvane Plus release notes.  Marvane  Plus. "), 40);
    Bytes container = Compress(data);
    for (size_t cut = 0; cut < container.size(); ++cut) {
        Bytes part(container.begin(), container.begin() + static_cast<long>(cut));
        Bytes out;
        SzddResult r = Expand(part, data.size(), &out);
        if (cut < SZDD_HEADER_SIZE) {
            EXPECT_EQ(SZDD_BAD_HEADER, r) << cut;
        } else {
            EXPECT_TRUE(r == SZDD_TOO_SHORT || r == SZDD_TRUNCATED) << "cut at " << cut << ": " << r;
        }
        // What did come out is the start of the data.
        EXPECT_TRUE(std::equal(out.begin(), out.end(), data.begin())) << cut;
    }
}

TEST(CodecDecode, GarbageStaysInsideTheBuffers)
{
    for (uint32_t seed = 0; seed < 300; ++seed) {
        Bytes stream = RandomBytes(seed * 3 % 700, seed);
        uint32_t length = seed % 4 == 0 ? 0 : seed * 37 % 5000;
        Bytes out;
        SzddResult r = Expand(Container(length, stream), length, &out);
        EXPECT_TRUE(r == SZDD_OK || r == SZDD_TOO_SHORT || r == SZDD_TOO_LONG || r == SZDD_TRUNCATED) << r;
        if (r == SZDD_OK) {
            EXPECT_EQ(length, out.size());
        }
    }
}

TEST(CodecDecode, ResumableDecoderStatuses)
{
    Bytes data = Repeat(Text("abcdef"), 10);
    Bytes container = Compress(data);
    SzddDecoder d;
    SzddDecoderInit(&d);
    uint8_t out[8];
    size_t outLen = sizeof out;
    size_t inLen = container.size() - SZDD_HEADER_SIZE;
    EXPECT_EQ(SZDD_STATUS_OUTPUT_FULL, SzddDecode(&d, out, &outLen, container.data() + SZDD_HEADER_SIZE, &inLen, 1));
    EXPECT_EQ(sizeof out, outLen);
    EXPECT_EQ(0, std::memcmp(out, data.data(), sizeof out));

    SzddDecoderInit(&d);
    Bytes room(100);
    outLen = room.size();
    inLen = 3;
    EXPECT_EQ(SZDD_STATUS_NEEDS_INPUT, SzddDecode(&d, room.data(), &outLen, container.data() + SZDD_HEADER_SIZE, &inLen, 0));
    EXPECT_EQ(3u, inLen);

    // Nothing to give and no room: no progress, nothing touched.
    SzddDecoderInit(&d);
    outLen = 0;
    inLen = container.size() - SZDD_HEADER_SIZE;
    EXPECT_EQ(SZDD_STATUS_OUTPUT_FULL, SzddDecode(&d, nullptr, &outLen, container.data() + SZDD_HEADER_SIZE, &inLen, 1));
    EXPECT_EQ(0u, outLen);
}

// ---- Header ---------------------------------------------------------------------

TEST(CodecHeader, Fields)
{
    uint8_t h[SZDD_HEADER_SIZE];
    SzddWriteHeader(h, 0x12345678u, '_');
    const uint8_t expected[SZDD_HEADER_SIZE] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27,
                                                0x33, 0x41, 0x5F, 0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(0, std::memcmp(h, expected, sizeof h));
    SzddHeader parsed;
    ASSERT_TRUE(SzddReadHeader(h, sizeof h, &parsed));
    EXPECT_EQ(0x12345678u, parsed.length);
    EXPECT_EQ('_', parsed.lastChar);
    EXPECT_EQ('A', parsed.mode);

    struct Bad {
        const char* name;
        size_t offset;
        uint8_t value;
        size_t size;
    } bad[] = {
        {"first magic byte", 0, 's', 14},
        {"last magic byte", 7, 0x34, 14},
        {"mode B", 8, 'B', 14},
        {"13 bytes", 0, 0x53, 13},
        {"nothing", 0, 0x53, 0},
    };
    for (const Bad& b : bad) {
        uint8_t copy[SZDD_HEADER_SIZE];
        std::memcpy(copy, expected, sizeof copy);
        copy[b.offset] = b.value;
        EXPECT_FALSE(SzddReadHeader(copy, b.size, &parsed)) << b.name;
    }

    Bytes container = Compress(Text("0123456789"));
    EXPECT_EQ(0, std::memcmp(container.data(), szddMagic, 8));
    EXPECT_EQ('A', container[8]);
    EXPECT_EQ(0, container[9]);
    EXPECT_EQ(10, container[10]);
    EXPECT_EQ(0, container[11] | container[12] | container[13]);
}

}  // namespace
