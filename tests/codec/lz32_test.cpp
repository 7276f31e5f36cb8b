// The containers as the platform sees them: every payload container, and the
// encoder's output for inputs on the format's edges, expanded by lz32; and the
// payload resources as linked into setup.exe and into this test program.
#include <windows.h>
#include <lzexpand.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "payload/filetable.h"
#include "payload/szdd.h"
#include "reference_parse.h"
#include "support/winhelp.h"

namespace {

std::string ContainerPath(const PayloadFile& row)
{
    return WindowsPath(std::string(MARVANE_CONTAINER_DIR) + "/" + row.resource + ".szdd");
}

std::string PayloadPath(const PayloadFile& row)
{
    return WindowsPath(Env("MARVANE_PAYLOAD_OUT") + "/" + row.destName);
}

// Expands source into dest with lz32 (opened by _lopen/LZInit, as the copy does).
// Returns what LZCopy returns, or a negative number when a file does not open.
LONG Lz32Expand(const std::string& source, const std::string& dest)
{
    HFILE in = _lopen(source.c_str(), OF_READ);
    if (in == HFILE_ERROR)
        return -1000;
    INT lz = LZInit(in);
    if (lz < 0) {
        _lclose(in);
        return -1001;
    }
    HFILE out = _lcreat(dest.c_str(), 0);
    if (out == HFILE_ERROR) {
        LZClose(lz);
        return -1002;
    }
    LONG copied = LZCopy(lz, out);
    _lclose(out);
    LZClose(lz);
    return copied;
}

TEST(CodecLz32, EveryPayloadContainerExpandsToThePackedFile)
{
    std::string dir = FreshDir("codec_lz32_payload");
    for (int i = 0; i < fileCount; ++i) {
        const PayloadFile& row = fileTable[i];
        SCOPED_TRACE(row.resource);
        std::string original = ReadFileBytes(PayloadPath(row));
        ASSERT_FALSE(original.empty()) << PayloadPath(row);
        std::string out = dir + "\\" + row.destName;
        LONG copied = Lz32Expand(ContainerPath(row), out);
        EXPECT_EQ(static_cast<LONG>(original.size()), copied);
        EXPECT_TRUE(ReadFileBytes(out) == original);
    }
}

std::string Random(size_t n, uint32_t seed, const std::string& alphabet = "")
{
    const std::vector<uint8_t> b = reference::RandomBytes(n, seed, alphabet);
    return std::string(b.begin(), b.end());
}

TEST(CodecLz32, EncoderOutputOnTheFormatsEdgesExpandsExactly)
{
    std::string all256;
    for (int i = 0; i < 256; ++i)
        all256.push_back(static_cast<char>(i));
    std::string block = Random(4096, 9);
    struct Case {
        const char* name;
        std::string data;
    } cases[] = {
        {"one byte", "Q"},
        {"18 spaces: one reference into the initial ring", std::string(18, ' ')},
        {"spaces past the ring's first wrap", std::string(9000, ' ')},
        {"spaces then text", "                        Marvane                   Plus   "},
        {"overlapping run", std::string(5000, 'z')},
        {"period 2", [] { std::string s; for (int i = 0; i < 3000; ++i) s += "xy"; return s; }()},
        {"all 256 values, three times", all256 + all256 + all256},
        {"block at distance 4096", block + block},
        {"block at distance 4097", block + "!" + block},
        {"random small alphabet", Random(60000, 3, " ab")},
        {"random bytes", Random(30000, 4)},
    };
    std::string dir = FreshDir("codec_lz32_edges");
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> container(SzddContainerBound(c.data.size()));
        size_t size = 0;
        ASSERT_EQ(SZDD_OK, SzddCompress(reinterpret_cast<const uint8_t*>(c.data.data()), c.data.size(),
                                        container.data(), container.size(), &size));
        std::string packed = dir + "\\case" + std::to_string(index) + ".sz";
        std::string expanded = dir + "\\case" + std::to_string(index) + ".out";
        ++index;
        ASSERT_TRUE(WriteFileBytes(packed, std::string(container.begin(), container.begin() + static_cast<long>(size))));
        EXPECT_EQ(static_cast<LONG>(c.data.size()), Lz32Expand(packed, expanded));
        EXPECT_TRUE(ReadFileBytes(expanded) == c.data);
    }
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param)
{
    reinterpret_cast<std::set<WORD>*>(param)->insert(language);
    return TRUE;
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    auto* names = reinterpret_cast<std::set<std::string>*>(param);
    names->insert(IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name)) : name);
    return TRUE;
}

BOOL CALLBACK CollectType(HMODULE, LPSTR type, LONG_PTR param)
{
    auto* types = reinterpret_cast<std::set<std::string>*>(param);
    if (!IS_INTRESOURCE(type))
        types->insert(type);
    return TRUE;
}

// The resources of one module: the type "EXE" by name, one resource per row named
// as the row says, in language 1033 only, each the row's container byte for byte.
void ExpectPayloadResources(HMODULE module)
{
    std::set<std::string> types;
    EnumResourceTypesA(module, CollectType, reinterpret_cast<LONG_PTR>(&types));
    EXPECT_EQ(1u, types.count(PAYLOAD_RESOURCE_TYPE)) << "no resource type named EXE";

    std::set<std::string> names, expected;
    EnumResourceNamesA(module, PAYLOAD_RESOURCE_TYPE, CollectName, reinterpret_cast<LONG_PTR>(&names));
    for (int i = 0; i < fileCount; ++i)
        expected.insert(fileTable[i].resource);
    EXPECT_TRUE(names == expected);

    for (int i = 0; i < fileCount; ++i) {
        const PayloadFile& row = fileTable[i];
        SCOPED_TRACE(row.resource);
        std::set<WORD> languages;
        EnumResourceLanguagesA(module, PAYLOAD_RESOURCE_TYPE, row.resource, CollectLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
        EXPECT_TRUE(languages == std::set<WORD>{1033});

        HRSRC found = FindResourceExA(module, PAYLOAD_RESOURCE_TYPE, row.resource,
                                      MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
        ASSERT_NE(nullptr, found);
        DWORD size = SizeofResource(module, found);
        HGLOBAL loaded = LoadResource(module, found);
        ASSERT_NE(nullptr, loaded);
        const char* bytes = static_cast<const char*>(LockResource(loaded));
        ASSERT_NE(nullptr, bytes);
        std::string stored(bytes, size);

        EXPECT_TRUE(stored == ReadFileBytes(ContainerPath(row))) << "resource differs from its container";
        std::string original = ReadFileBytes(PayloadPath(row));
        SzddHeader header;
        ASSERT_TRUE(SzddReadHeader(reinterpret_cast<const uint8_t*>(stored.data()), stored.size(), &header));
        EXPECT_EQ(0, header.lastChar);
        EXPECT_EQ(original.size(), header.length);

        std::vector<uint8_t> expanded(header.length + 1);
        size_t written = 0;
        EXPECT_EQ(SZDD_OK, SzddExpand(reinterpret_cast<const uint8_t*>(stored.data()), stored.size(),
                                      expanded.data(), expanded.size(), &written));
        EXPECT_TRUE(std::string(expanded.begin(), expanded.begin() + static_cast<long>(written)) == original);
    }
}

TEST(CodecResources, TestModuleCarriesEveryContainer)
{
    ExpectPayloadResources(GetModuleHandleA(nullptr));
}

TEST(CodecResources, SetupExeCarriesEveryContainer)
{
    HMODULE setup = LoadLibraryExA(SetupExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, setup) << SetupExe();
    ExpectPayloadResources(setup);
    FreeLibrary(setup);
}

}  // namespace
