// The payload integrity check: the build's record of every container, the
// extraction's refusal of a damaged container, and a setup.exe with one payload
// byte flipped run as a user would. (The CRC-32 and the record lookup: crc32_test.cpp.)
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "payload/crc32.h"
#include "payload/extract.h"
#include "payload/filetable.h"
#include "payload/payload_support.h"
#include "startup/exitcodes.h"
#include "startup/state.h"
#include "support/winhelp.h"

namespace {

const char kDamaged[] = " is damaged; get a new copy of the installer.";


// The value the record holds for `name`, or a value no CRC of these tests has.
uint32_t RecordedValue(const std::string& record, const char* name)
{
    uint32_t crc = 0;
    return FindRecordedCrc(record.data(), record.size(), name, &crc) ? crc : 0xDEADBEEFu;
}

// setup.exe carries one record of every payload container, in the file table's
// order, and it matches both the container the build packed and the resource
// inside setup.exe.
TEST(Integrity, SetupRecordsEveryContainer)
{
    DataFile setup(SetupExe());
    ASSERT_NE(setup.module, nullptr);
    const std::string containers = WindowsPath(Env("MARVANE_BUILD_DIR")) + "\\containers\\";
    std::string expected;
    for (int i = 0; i < fileCount; ++i) {
        const char* name = fileTable[i].resource;
        const std::string stored = setup.Resource(PAYLOAD_RESOURCE_TYPE, name);
        ASSERT_NE(stored, "<absent>") << name;
        EXPECT_EQ(stored, ReadFileBytes(containers + name + ".szdd")) << name;
        expected += ChecksumEntry(name, Crc32(stored.data(), stored.size()));
    }
    EXPECT_EQ(setup.Resource(PAYLOAD_CHECKSUM_TYPE, PAYLOAD_CHECKSUM_NAME), expected);
}

TEST(Integrity, ExtractPayloadRefusesADamagedContainer)
{
    UseTestModule();
    SavedState saved;
    const std::string dir = FreshDir("integrity-extract");
    LogInDir log(dir);
    const std::string container = SzddContainer(TextContent(20000, 5));
    const uint32_t crc = Crc32(container.data(), container.size());
    std::string flipped = container;
    flipped[flipped.size() / 2] ^= 0x10;
    std::string shortEntry = ChecksumEntry("SHORTREC", crc);
    shortEntry.pop_back();  // the last entry of the record cut by one byte
    PayloadModule module(LoadWithResources(
        dir + "\\payload.dll",
        {{"EXE", "GOOD", container},
         {"EXE", "FLIPPED", flipped},
         {"EXE", "WRONGREC", container},
         {"EXE", "NOREC", container},
         {"EXE", "SHORTREC", container},
         {PAYLOAD_CHECKSUM_TYPE, PAYLOAD_CHECKSUM_NAME,
          ChecksumEntry("GOOD", crc) + ChecksumEntry("FLIPPED", crc) +  // FLIPPED's recorded before the damage
              ChecksumEntry("WRONGREC", crc ^ 0x80000000u) + shortEntry}}));
    ASSERT_NE(module.instance(), nullptr);

    const struct {
        const char* resource;
        bool written;
    } cases[] = {
        {"GOOD", true}, {"FLIPPED", false}, {"WRONGREC", false}, {"NOREC", false}, {"SHORTREC", false},
    };
    size_t logged = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.resource);
        const std::string file = std::string(c.resource) + ".szdd";
        const std::string path = dir + "\\" + file;
        EXPECT_EQ(ExtractPayload(module.instance(), nullptr, c.resource, (dir + "\\").c_str(), file.c_str()),
                  c.written ? 1 : EXTRACT_DAMAGED);
        std::vector<std::string> lines = log.Lines();
        ASSERT_EQ(lines.size(), logged + 1);
        if (c.written) {
            EXPECT_EQ(ReadFileBytes(path), container);
            EXPECT_EQ(lines.back(), "Extracting to " + path + ", " + std::to_string(container.size()) + " bytes");
        } else {
            // Nothing is written, not even an empty file.
            EXPECT_FALSE(FileExists(path));
            EXPECT_EQ(lines.back(), std::string("Payload ") + c.resource + kDamaged);
        }
        logged = lines.size();
    }
}

size_t CountContaining(const std::vector<std::string>& lines, const std::string& part)
{
    size_t n = 0;
    for (const std::string& l : lines)
        n += l.find(part) != std::string::npos;
    return n;
}

// setup.exe with one bit flipped in the compressed stream of one container.
std::string DamagedSetup(const std::string& work, const char* resource)
{
    const std::string damaged = work + "\\setup.exe";
    std::string bytes = ReadFileBytes(SetupExe());
    EXPECT_FALSE(bytes.empty());
    DataFile original(SetupExe());
    EXPECT_NE(original.module, nullptr);
    const std::string container = original.Resource(PAYLOAD_RESOURCE_TYPE, resource);
    const size_t at = original.FileOffset(PAYLOAD_RESOURCE_TYPE, resource);
    EXPECT_GT(container.size(), 1000u);
    EXPECT_EQ(bytes.substr(at, container.size()), container) << resource << " not found at " << at;
    bytes[at + 14 + container.size() / 2] ^= 0x04;  // inside the compressed stream
    EXPECT_TRUE(WriteFileBytes(damaged, bytes));
    DataFile copy(damaged);
    std::string stored = copy.Resource(PAYLOAD_RESOURCE_TYPE, resource);
    EXPECT_NE(RecordedValue(copy.Resource(PAYLOAD_CHECKSUM_TYPE, PAYLOAD_CHECKSUM_NAME), resource),
              Crc32(stored.data(), stored.size()));
    return damaged;
}

// Runs, quietly and with a log, a setup.exe whose `resource` container is damaged;
// checks its exit code and returns its log.
std::vector<std::string> RunDamagedQuietly(const char* dirName, const char* resource, int exitCode)
{
    const std::string work = FreshDir(dirName);
    const std::string damaged = DamagedSetup(work, resource);
    if (::testing::Test::HasFailure())
        return {};
    EXPECT_EQ(RunProgram(damaged, "-q -l", work, 120000), exitCode);
    return SplitLines(ReadFileBytes(work + "\\setup.log"));
}

// A setup.exe whose W1 container has one bit flipped in its compressed stream: the
// quiet run logs the damage, extracts nothing of it, asks for no disk that could
// not help (a box would hold the run until the timeout), skips that optional file
// with a log line, and installs everything else.
TEST(Integrity, SetupWithAFlippedPayloadByte)
{
    const std::vector<std::string> log = RunDamagedQuietly("integrity-flipped", "W1", EXIT_OK);
    ASSERT_FALSE(log.empty()) << "no damaged copy of setup.exe, or no log";
    EXPECT_EQ(CountContaining(log, std::string("Payload W1") + kDamaged), 1u);
    EXPECT_EQ(CountContaining(log, kDamaged), 1u);  // only the damaged one
    EXPECT_EQ(CountContaining(log, "down1.wav, "), 0u) << "the damaged container was extracted";
    EXPECT_EQ(CountContaining(log, "Extracting to "), 9u);
    EXPECT_EQ(CountContaining(log, "C:\\Marvane\\down1.wav was not installed."), 1u);
    EXPECT_EQ(CountContaining(log, "Installation successful!"), 1u);

    // Everything but the damaged file is installed, exactly as packed.
    const std::string packed = WindowsPath(Env("MARVANE_PAYLOAD_OUT"));
    for (int i = 0; i < fileCount; ++i) {
        const std::string installed = std::string("C:\\Marvane\\") + fileTable[i].destName;
        if (std::strcmp(fileTable[i].resource, "W1") == 0) {
            EXPECT_FALSE(FileExists(installed));
            continue;
        }
        EXPECT_TRUE(ReadFileBytes(installed) == ReadFileBytes(packed + "\\" + fileTable[i].destName)) << installed;
    }
}

// A damaged required file (the release notes) fails the installation: the failure
// code, which a deployment tool reports as such, and no box in quiet mode (one
// would hold the run until the test's timeout).
TEST(Integrity, SetupWithARequiredFileDamaged)
{
    const std::vector<std::string> log = RunDamagedQuietly("integrity-required", "TXTFILE", EXIT_FAILED);
    ASSERT_FALSE(log.empty()) << "no damaged copy of setup.exe, or no log";
    EXPECT_GE(CountContaining(log, std::string("Payload TXTFILE") + kDamaged), 1u);
    EXPECT_EQ(CountContaining(log, "Some portion of installation process failed."), 1u);
    EXPECT_EQ(CountContaining(log, "Installation successful!"), 0u);
}

}  // namespace
