// The import reader and the release check of imports and loader fields, on PE
// images made up in memory, and the checked-in list itself.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tools/fileio.h"
#include "tools/importcheck.h"
#include "tools/peinfo.h"
#include "putbytes.h"

namespace {

void PutText(std::vector<uint8_t>& b, size_t at, const char* s)
{
    std::memcpy(&b[at], s, std::strlen(s) + 1);
}

struct Shape {
    bool is64 = false;
    bool ordinal = false;  // KERNEL32 ordinal 17 after ExitProcess
    bool delayLoad = false;  // LZ32.dll LZCopy, delay-loaded
    bool tls = false;
    uint16_t subsystemMajor = 4, subsystemMinor = 0;
    uint16_t osMajor = 4, osMinor = 0;
};

// Where things are: the headers take file 0..0x200; one section ".idata" holds file
// 0x200..0x400 at RVA 0x1000..0x1200. So RVA r is at file r - 0xE00.
const size_t kOptional = 0x98;
const uint32_t kRvaToFile = 0xE00;
const uint32_t kImports = 0x1000, kLookup0 = 0x1040, kLookup1 = 0x1060, kDelay = 0x1180;

size_t F(uint32_t rva) { return rva - kRvaToFile; }

// KERNEL32.dll: ExitProcess (hint 0x102) [, ordinal 17]; USER32.dll: MessageBoxA
// (hint 5); [delay-loaded LZ32.dll: LZCopy (hint 3)].
std::vector<uint8_t> MakeImage(const Shape& shape)
{
    std::vector<uint8_t> b(0x400, 0);
    PutPeSignature(b);
    Put16(b, 0x84, shape.is64 ? 0x8664 : 0x14C);
    Put16(b, 0x86, 1);
    uint16_t optionalSize = shape.is64 ? 240 : 224;
    Put16(b, 0x94, optionalSize);
    const size_t o = kOptional;
    Put16(b, o, shape.is64 ? 0x20B : 0x10B);
    Put16(b, o + 40, shape.osMajor);
    Put16(b, o + 42, shape.osMinor);
    Put16(b, o + 48, shape.subsystemMajor);
    Put16(b, o + 50, shape.subsystemMinor);
    Put32(b, o + 60, 0x200);
    Put16(b, o + 68, 2);
    size_t dirs = o + (shape.is64 ? 112 : 96);
    Put32(b, dirs - 4, 16);
    Put32(b, dirs + 1 * 8, kImports);
    Put32(b, dirs + 1 * 8 + 4, 60);
    if (shape.tls) {
        Put32(b, dirs + 9 * 8, 0x11A0);
        Put32(b, dirs + 9 * 8 + 4, shape.is64 ? 40 : 24);
    }
    if (shape.delayLoad) {
        Put32(b, dirs + 13 * 8, kDelay);
        Put32(b, dirs + 13 * 8 + 4, 64);
    }
    size_t sec = o + optionalSize;
    PutSection(b, sec, ".idata", 0x200, 0x1000, 0x200, 0x200);

    // Descriptors: lookup table, time stamp, forwarder chain, name, address table.
    Put32(b, F(kImports), kLookup0);
    Put32(b, F(kImports) + 12, 0x1100);
    Put32(b, F(kImports) + 16, 0x1080);
    Put32(b, F(kImports) + 20, kLookup1);
    Put32(b, F(kImports) + 32, 0x1110);
    Put32(b, F(kImports) + 36, 0x10A0);
    // Lookup tables (copied into the address tables, as a linker leaves them).
    const size_t step = shape.is64 ? 8 : 4;
    auto entry = [&](uint32_t rva, uint32_t value, bool ordinal) {
        Put32(b, F(rva), ordinal && !shape.is64 ? 0x80000000u | value : value);
        if (ordinal && shape.is64)
            Put32(b, F(rva) + 4, 0x80000000u);
    };
    for (uint32_t table : {kLookup0, kLookup0 + 0x40}) {
        entry(table, 0x1120, false);
        if (shape.ordinal)
            entry(table + static_cast<uint32_t>(step), 17, true);
    }
    for (uint32_t table : {kLookup1, kLookup1 + 0x40})
        entry(table, 0x1140, false);
    PutText(b, F(0x1100), "KERNEL32.dll");
    PutText(b, F(0x1110), "USER32.dll");
    Put16(b, F(0x1120), 0x102);
    PutText(b, F(0x1122), "ExitProcess");
    Put16(b, F(0x1140), 5);
    PutText(b, F(0x1142), "MessageBoxA");
    if (shape.delayLoad) {
        // Attributes (RVAs), name, module handle, address table, name table.
        Put32(b, F(kDelay), 1);
        Put32(b, F(kDelay) + 4, 0x11C0);
        Put32(b, F(kDelay) + 8, 0x11D0);
        Put32(b, F(kDelay) + 12, 0x11E0);
        Put32(b, F(kDelay) + 16, 0x11F0);
        Put32(b, F(0x11E0), 0x1160);
        Put32(b, F(0x11F0), 0x1160);
        PutText(b, F(0x11C0), "LZ32.dll");
        Put16(b, F(0x1160), 3);
        PutText(b, F(0x1162), "LZCopy");
    }
    return b;
}

PeInfo Read(const std::vector<uint8_t>& image)
{
    PeInfo info;
    std::string error;
    EXPECT_TRUE(ReadPeInfo(image.data(), image.size(), &info, &error)) << error;
    return info;
}

TEST(PeImports, ReadsTheImportTableBack)
{
    for (bool is64 : {false, true}) {
        Shape shape;
        shape.is64 = is64;
        shape.ordinal = true;
        shape.osMajor = 4;
        shape.osMinor = 10;
        shape.subsystemMajor = 3;
        shape.subsystemMinor = 51;
        PeInfo info = Read(MakeImage(shape));
        EXPECT_EQ(info.is64, is64);
        EXPECT_EQ(info.subsystem, 2u);
        EXPECT_EQ(info.osMajor, 4u);
        EXPECT_EQ(info.osMinor, 10u);
        EXPECT_EQ(info.subsystemMajor, 3u);
        EXPECT_EQ(info.subsystemMinor, 51u);
        EXPECT_FALSE(info.hasTls);
        ASSERT_EQ(info.imports.size(), 2u) << (is64 ? "PE32+" : "PE32");
        const PeImportedDll& k = info.imports[0];
        EXPECT_EQ(k.name, "KERNEL32.dll");
        EXPECT_FALSE(k.delayLoad);
        ASSERT_EQ(k.functions.size(), 2u);
        EXPECT_EQ(k.functions[0].name, "ExitProcess");
        EXPECT_EQ(k.functions[0].ordinal, 0x102u);
        EXPECT_FALSE(k.functions[0].byOrdinal);
        EXPECT_TRUE(k.functions[1].byOrdinal);
        EXPECT_EQ(k.functions[1].ordinal, 17u);
        EXPECT_EQ(k.functions[1].name, "");
        const PeImportedDll& u = info.imports[1];
        EXPECT_EQ(u.name, "USER32.dll");
        ASSERT_EQ(u.functions.size(), 1u);
        EXPECT_EQ(u.functions[0].name, "MessageBoxA");
        EXPECT_EQ(u.functions[0].ordinal, 5u);
    }
}

TEST(PeImports, ReadsDelayLoadImportsAndTls)
{
    Shape shape;
    shape.delayLoad = true;
    shape.tls = true;
    PeInfo info = Read(MakeImage(shape));
    EXPECT_TRUE(info.hasTls);
    ASSERT_EQ(info.imports.size(), 3u);
    EXPECT_EQ(info.imports[2].name, "LZ32.dll");
    EXPECT_TRUE(info.imports[2].delayLoad);
    ASSERT_EQ(info.imports[2].functions.size(), 1u);
    EXPECT_EQ(info.imports[2].functions[0].name, "LZCopy");

    // The old form holds addresses, not RVAs: refused rather than misread.
    std::vector<uint8_t> image = MakeImage(shape);
    Put32(image, F(kDelay), 0);
    PeInfo old;
    std::string error;
    EXPECT_FALSE(ReadPeInfo(image.data(), image.size(), &old, &error));
    EXPECT_NE(error.find("delay-load"), std::string::npos) << error;
}

// The reader sees only a copy of exactly the given size, so that AddressSanitizer
// reports any read past its end.
bool ReadExact(const std::vector<uint8_t>& image, size_t size, std::string* error)
{
    std::vector<uint8_t> copy(image.begin(), image.begin() + static_cast<long>(size));
    PeInfo info;
    return ReadPeInfo(copy.data(), copy.size(), &info, error);
}

struct Damage {
    size_t at;
    uint32_t value;
    const char* what;
};

TEST(PeImports, RefusesDamagedOrTruncatedTables)
{
    const size_t dirs = kOptional + 96;
    const Damage damages[] = {
        {dirs + 8, 0x5000, "import directory outside every section"},
        {dirs + 8, 0x11F0, "descriptors running off the section"},
        {F(kImports) + 12, 0x2000, "DLL name outside every section"},
        {F(kImports) + 12, 0x11FF, "DLL name without its NUL in the section"},
        {F(kImports), 0x1500, "lookup table outside every section"},
        {F(kImports), 0x11FC, "lookup table running off the section"},
        {F(kLookup1), 0x11FF, "hint and name running off the section"},
        {F(kLookup1), 0x7FFFFFF0u, "hint and name far outside"},
        {dirs + 13 * 8, 0x11F0, "delay-load descriptors running off the section"},
    };
    for (const Damage& d : damages) {
        std::vector<uint8_t> image = MakeImage(Shape());
        Put32(image, d.at, d.value);
        image[0x3FF] = 'x';  // no NUL at the section's end
        if (d.at == F(kImports))
            Put32(image, 0x3FC, 0x1140);  // a last entry that has no end after it
        std::string error;
        EXPECT_FALSE(ReadExact(image, image.size(), &error)) << d.what;
        EXPECT_FALSE(error.empty()) << d.what;
    }
    // A descriptor with a name but no address table ends the list, as it ends the
    // loader's walk; what follows it is never read.
    std::vector<uint8_t> ended = MakeImage(Shape());
    Put32(ended, F(kImports) + 20 + 16, 0);
    Put32(ended, F(kImports) + 20, 0x1500);
    std::string why;
    PeInfo info;
    ASSERT_TRUE(ReadPeInfo(ended.data(), ended.size(), &info, &why)) << why;
    EXPECT_EQ(info.imports.size(), 1u);

    // A file cut short, anywhere from the headers to the hint/name entries.
    std::vector<uint8_t> image = MakeImage(Shape());
    for (size_t size : {0x100u, 0x1FFu, 0x210u, 0x300u, 0x3FFu}) {
        std::string error;
        EXPECT_FALSE(ReadExact(image, size, &error)) << "cut at " << size;
    }
    std::string error;
    EXPECT_TRUE(ReadExact(image, image.size(), &error)) << error;
}

ExportList StandardList()
{
    ExportList list;
    std::string error;
    EXPECT_TRUE(ParseExportList("[KnownDLLs]\nkernel32.dll\nUSER32.DLL\n"
                                "[kernel32]\nExitProcess  a note\n"
                                "[USER32.dll]\nMessageBoxA  a note\n",
                                &list, &error))
        << error;
    return list;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string all;
    for (const std::string& l : lines)
        all += l + "\n";
    return all;
}

TEST(ImportCheck, EachVerdict)
{
    struct Case {
        const char* what;
        Shape shape;
        const char* listText;  // null: the standard list
        std::vector<std::string> expected;  // a piece of each problem line, in order
    };
    Shape base, ordinal, subsystem5, os5, os41, tls, delay, pe64;
    ordinal.ordinal = true;
    subsystem5.subsystemMajor = 5;
    os5.osMajor = 5;
    os41.osMinor = 1;
    tls.tls = true;
    delay.delayLoad = true;
    pe64.is64 = true;
    const Case cases[] = {
        {"passes", base, nullptr, {}},
        {"passes as PE32+", pe64, nullptr, {}},
        {"unknown DLL", base, "[KnownDLLs]\nkernel32.dll\n[KERNEL32.dll]\nExitProcess n\n[USER32.dll]\nMessageBoxA n\n",
         {"USER32.dll: not a KnownDLL"}},
        {"unlisted function", base, "[KnownDLLs]\nkernel32.dll\nuser32.dll\n[KERNEL32.dll]\nExitProcess n\n",
         {"USER32.dll MessageBoxA: not in the list"}},
        {"ordinal import", ordinal, nullptr, {"KERNEL32.dll ordinal 17: imported by ordinal"}},
        {"subsystem 5.0", subsystem5, nullptr, {"subsystem version 5.0 is above 4.0"}},
        {"OS 5.0", os5, nullptr, {"OS version 5.0 is above 4.0"}},
        {"OS 4.1", os41, nullptr, {"OS version 4.1 is above 4.0"}},
        {"TLS", tls, nullptr, {"TLS directory"}},
        {"delay-loaded DLL", delay, nullptr,
         {"LZ32.dll (delay-loaded): not a KnownDLL", "LZ32.dll (delay-loaded) LZCopy: not in the list"}},
    };
    for (const Case& c : cases) {
        ExportList list = StandardList();
        std::string error;
        if (c.listText)
            ASSERT_TRUE(ParseExportList(c.listText, &list, &error)) << c.what << ": " << error;
        std::vector<std::string> problems = CheckImports(Read(MakeImage(c.shape)), list);
        ASSERT_EQ(problems.size(), c.expected.size()) << c.what << ":\n" << Joined(problems);
        for (size_t i = 0; i < problems.size(); ++i)
            EXPECT_NE(problems[i].find(c.expected[i]), std::string::npos) << c.what << ": " << problems[i];
    }
}

TEST(ImportCheck, ParsesTheListAndRefusesWhatIsNotIt)
{
    ExportList list;
    std::string error;
    ASSERT_TRUE(ParseExportList("# comment\r\n\r\n[KnownDLLs]\r\nKERNEL32.DLL  a note too\r\ngdi32\r\n"
                                "  [ kernel32.dll ]  \r\nCloseHandle\tMSDN: 95, NT 3.1\r\n"
                                "CreateFileA MSDN\r\n[GDI32.DLL]\r\n",
                                &list, &error))
        << error;
    EXPECT_EQ(list.knownDlls, (std::set<std::string>{"kernel32.dll", "gdi32.dll"}));
    ASSERT_EQ(list.exports.size(), 2u);
    EXPECT_EQ(list.exports["kernel32.dll"], (std::set<std::string>{"CloseHandle", "CreateFileA"}));
    EXPECT_TRUE(list.exports["gdi32.dll"].empty());

    const struct {
        const char* text;
        const char* error;
    } bad[] = {
        {"CloseHandle note\n", "line 1: \"CloseHandle\" comes before any section"},
        {"[KERNEL32.DLL]\nCloseHandle\n", "line 2: CloseHandle has no note"},
        {"[KERNEL32.DLL]\nCloseHandle n\n\nCloseHandle n\n", "line 4: CloseHandle is listed twice"},
        {"[KERNEL32.DLL]\n[kernel32]\n", "line 2: kernel32 is listed twice"},
        {"[KnownDLLs]\nuser32.dll\nUSER32\n", "line 3: USER32 is listed twice"},
        {"[KnownDLLs\n", "line 1: a section header"},
        {"[]\n", "line 1: a section header"},
    };
    for (const auto& b : bad) {
        EXPECT_FALSE(ParseExportList(b.text, &list, &error)) << b.text;
        EXPECT_EQ(error.compare(0, std::strlen(b.error), b.error), 0) << b.text << " gave: " << error;
    }
}

std::string SourceRoot()
{
    std::string here = __FILE__;
    return here.substr(0, here.size() - std::strlen("tests/host/pecheck_test.cpp"));
}

bool ReadText(const std::string& path, std::string* text)
{
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile("pecheck_test", path.c_str(), bytes))
        return false;
    text->assign(bytes.begin(), bytes.end());
    return true;
}

// The checked-in list keeps the rules the programs depend on.
TEST(ImportCheck, TheCheckedInList)
{
    std::string text;
    ASSERT_TRUE(ReadText(SourceRoot() + "tools/legacy-exports.txt", &text));
    ExportList list;
    std::string error;
    ASSERT_TRUE(ParseExportList(text, &list, &error)) << error;
    for (const auto& dll : list.exports)
        EXPECT_TRUE(list.knownDlls.count(dll.first)) << dll.first << " has functions but is not a KnownDLL";
    // MSVCRT is a KnownDLL now but Windows 95 retail has no such DLL; LZ32 is none.
    EXPECT_TRUE(list.knownDlls.count("msvcrt.dll"));
    EXPECT_FALSE(list.exports.count("msvcrt.dll"));
    EXPECT_FALSE(list.knownDlls.count("lz32.dll"));
    EXPECT_FALSE(list.exports.count("lz32.dll"));
    const std::set<std::string>& kernel32 = list.exports["kernel32.dll"];
    for (const char* absent : {"GetFileAttributesExA", "LZInit", "LZCopy", "LZClose"})
        EXPECT_FALSE(kernel32.count(absent)) << absent;
}

// What a real linker writes: a program that imports only kernel32's ExitProcess
// with subsystem and OS version 4.0 (tests/fuzz/corpus/peinfo/kernel32-exitprocess,
// linked by i686-w64-mingw32-gcc -nostdlib) passes against the checked-in list.
TEST(ImportCheck, ALinkedProgramThatPasses)
{
    std::string text, exe;
    ASSERT_TRUE(ReadText(SourceRoot() + "tools/legacy-exports.txt", &text));
    ASSERT_TRUE(ReadText(SourceRoot() + "tests/fuzz/corpus/peinfo/kernel32-exitprocess", &exe));
    ExportList list;
    std::string error;
    ASSERT_TRUE(ParseExportList(text, &list, &error)) << error;
    std::vector<uint8_t> image(exe.begin(), exe.end());
    PeInfo info = Read(image);
    ASSERT_EQ(info.imports.size(), 1u);
    ASSERT_EQ(info.imports[0].functions.size(), 1u);
    EXPECT_EQ(info.imports[0].functions[0].name, "ExitProcess");
    EXPECT_EQ(Joined(CheckImports(info, list)), "");
}

}  // namespace
