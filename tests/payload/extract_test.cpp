// Extraction of the payload resources into the private temporary directory, and clean-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "payload/copy.h"
#include "payload/extract.h"
#include "payload_support.h"
#include "startup/state.h"
#include "support/winhelp.h"

namespace {

class Extract : public PayloadTest {
protected:
    void TearDown() override
    {
        RemoveTempFiles();
        PayloadTest::TearDown();
    }

    std::string ExtractingLine(const std::string& path, size_t size)
    {
        return "Extracting to " + path + ", " + std::to_string(size) + " bytes";
    }
};

// ---- One resource -------------------------------------------------------------------

WINBOOL (WINAPI* realWriteFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);

// The faults hit the payload's one large write only: the setup log is written
// through the same call, a line at a time.
const DWORD kFaultyWriteAtLeast = 4096;

WINBOOL WINAPI HalfWriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped)
{
    return realWriteFile(file, data, size >= kFaultyWriteAtLeast ? size / 2 : size, written, overlapped);
}

WINBOOL WINAPI FailingWriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped)
{
    if (size < kFaultyWriteAtLeast)
        return realWriteFile(file, data, size, written, overlapped);
    *written = 0;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

HGLOBAL WINAPI FailingLoadResource(HMODULE, HRSRC)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

TEST_F(Extract, ExtractPayloadWritesTheStoredBytesUnchanged)
{
    LogInDir log(dir);
    const std::string blob = BinaryContent(100000, 1);
    const std::string container = SzddContainer(TextContent(30000, 2));
    PayloadModule module(dir, {{"TESTBLOB", blob}, {"TESTSZDD", container}});
    HWND line = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, owner, nullptr, nullptr, nullptr);
    struct Case {
        const char* resource;
        const char* file;
        const std::string& stored;
        bool existing;
    } cases[] = {
        {"TESTBLOB", "blob.bin", blob, false},
        {"TESTSZDD", "Marvane.exe", container, true},
    };
    size_t logged = 0;
    for (const Case& c : cases) {
        std::string path = dir + "\\" + c.file;
        if (c.existing)
            WriteFileBytes(path, std::string(200000, 'o'));  // replaced, not appended to
        EXPECT_EQ(ExtractPayload(module.instance(), line, c.resource, (dir + "\\").c_str(), c.file), 1);
        EXPECT_TRUE(ReadFileBytes(path) == c.stored) << c.resource;
        std::vector<std::string> lines = log.Lines();
        ASSERT_EQ(lines.size(), logged + 1);
        EXPECT_EQ(lines.back(), ExtractingLine(path, c.stored.size()));
        EXPECT_EQ(WindowText(line), lines.back());
        logged = lines.size();
    }
    // Without a progress line it works the same.
    EXPECT_EQ(ExtractPayload(module.instance(), nullptr, "TESTBLOB", (dir + "\\").c_str(), "again.bin"), 1);
    EXPECT_TRUE(ReadFileBytes(dir + "\\again.bin") == blob);
    DestroyWindow(line);
}

TEST_F(Extract, FailuresAreLoggedAndLeaveNoPartialFile)
{
    LogInDir log(dir);
    const std::string blob = BinaryContent(100000, 3);
    PayloadModule module(dir, {{"TESTBLOB", blob}});
    const std::string target = dir + "\\out.bin";
    struct Case {
        const char* name;
        const char* resource;
        std::string directory;
        const char* patchFunction;
        void* patch;
        std::vector<std::string> lines;
    } cases[] = {
        {"resource missing", "NOSUCHRES", dir + "\\", nullptr, nullptr, {"Failed to locate resource NOSUCHRES"}},
        {"resource not loadable", "TESTBLOB", dir + "\\", "LoadResource",
         reinterpret_cast<void*>(FailingLoadResource), {"Failed to load resource TESTBLOB"}},
        {"file not creatable", "TESTBLOB", dir + "\\missing\\", nullptr, nullptr,
         {ExtractingLine(dir + "\\missing\\out.bin", blob.size()),
          "File creation error on " + dir + "\\missing\\out.bin"}},
        {"short write", "TESTBLOB", dir + "\\", "WriteFile", reinterpret_cast<void*>(HalfWriteFile),
         {ExtractingLine(target, blob.size()), "File write error on " + target + ", 50000 != 100000"}},
        {"failed write", "TESTBLOB", dir + "\\", "WriteFile", reinterpret_cast<void*>(FailingWriteFile),
         {ExtractingLine(target, blob.size()), "File write error on " + target + ", 0 != 100000"}},
    };
    size_t logged = 0;
    for (const Case& c : cases) {
        WriteFileBytes(target, "left from before");
        if (c.directory != dir + "\\")
            DeleteFileA(target.c_str());
        int result;
        {
            ImportPatch* patch = c.patchFunction ? new ImportPatch("kernel32.dll", c.patchFunction, c.patch) : nullptr;
            if (patch)
                realWriteFile = reinterpret_cast<decltype(realWriteFile)>(patch->original());
            result = ExtractPayload(module.instance(), nullptr, c.resource, c.directory.c_str(), "out.bin");
            delete patch;
        }
        EXPECT_EQ(result, 0) << c.name;
        std::vector<std::string> lines = log.Lines();
        ASSERT_EQ(lines.size(), logged + c.lines.size()) << c.name;
        for (size_t i = 0; i < c.lines.size(); ++i)
            EXPECT_EQ(lines[logged + i], c.lines[i]) << c.name;
        logged = lines.size();
        // A file that was written short is deleted at once; one never opened stays as it was.
        bool wrote = c.patchFunction && std::string(c.patchFunction) == "WriteFile";
        if (wrote) {
            EXPECT_FALSE(FileExists(target)) << c.name;
        } else if (c.directory == dir + "\\") {
            EXPECT_EQ(ReadFileBytes(target), "left from before") << c.name;
        }
    }
}

// ---- The whole table ----------------------------------------------------------------

TEST_F(Extract, ExtractAllFillsAFreshPrivateDirectoryAndCleanUpRemovesIt)
{
    LogInDir log(dir);
    std::vector<std::pair<std::string, std::string>> stored = TestPayload();
    PayloadModule module(dir, stored);
    const std::string shared = PlatformTempDir();
    const std::vector<std::string> before = ListDir(shared);
    EXPECT_STREQ(PayloadTempDir(), "");

    int count;
    int dialogs;
    std::vector<std::string> shown;
    {
        ProgressWatch watch;
        count = ExtractAll(module.instance(), owner);
        dialogs = watch.dialogsCreated();
        shown = watch.lines();
    }
    EXPECT_EQ(count, fileCount);
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(installer.copyDialog, nullptr);

    // A new directory right inside the shared one; it did not exist before.
    const std::string temp = PayloadTempDir();
    ASSERT_GT(temp.size(), shared.size() + 1);
    EXPECT_EQ(temp.compare(0, shared.size(), shared), 0);
    EXPECT_EQ(temp.back(), '\\');
    std::string name = temp.substr(shared.size(), temp.size() - shared.size() - 1);
    EXPECT_EQ(name.find('\\'), std::string::npos);
    EXPECT_EQ(std::count(before.begin(), before.end(), name), 0);
    EXPECT_TRUE(DirExists(temp));

    std::vector<std::string> expectedNames, expectedLines;
    for (int i = 0; i < fileCount; ++i) {
        EXPECT_EQ(fileTable[i].status, STATUS_EXTRACTED) << i;
        EXPECT_TRUE(ReadFileBytes(temp + fileTable[i].destName) == stored[i].second) << i;
        expectedNames.push_back(fileTable[i].destName);
        expectedLines.push_back(ExtractingLine(temp + fileTable[i].destName, stored[i].second.size()));
    }
    std::sort(expectedNames.begin(), expectedNames.end());
    EXPECT_EQ(ListDir(temp), expectedNames);
    EXPECT_EQ(log.Lines(), expectedLines);
    EXPECT_EQ(shown, expectedLines);  // the progress line showed each as it started

    EXPECT_EQ(RemoveTempFiles(), 0);
    for (int i = 0; i < fileCount; ++i)
        expectedLines.push_back("Removing " + temp + fileTable[i].sourceName);
    EXPECT_EQ(log.Lines(), expectedLines);
    EXPECT_FALSE(DirExists(temp));
    EXPECT_STREQ(PayloadTempDir(), "");
    EXPECT_EQ(ListDir(shared), before);  // nothing else there was touched

    // A second clean-up finds nothing to do.
    EXPECT_EQ(RemoveTempFiles(), 0);
    EXPECT_EQ(log.Lines().size(), expectedLines.size());
}

TEST_F(Extract, QuietExtractionShowsNoDialog)
{
    LogInDir log(dir);
    PayloadModule module(dir, TestPayload());
    installer.quietMode = 1;
    ProgressWatch watch;
    EXPECT_EQ(ExtractAll(module.instance(), owner), fileCount);
    EXPECT_EQ(watch.dialogsCreated(), 0);
    EXPECT_TRUE(watch.lines().empty());
    EXPECT_EQ(log.Lines().size(), static_cast<size_t>(fileCount));
}

TEST_F(Extract, MissingResourcesAreLoggedAndTheWalkGoesOn)
{
    std::vector<std::pair<std::string, std::string>> stored = TestPayload();
    struct Case {
        const char* name;
        std::set<int> missing;  // rows
    } cases[] = {
        {"two missing", {2, 6}},
        {"every one missing", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
    };
    for (const Case& c : cases) {
        std::string caseDir = dir + "\\" + std::to_string(c.missing.size());
        CreateDirectoryA(caseDir.c_str(), nullptr);
        LogInDir log(caseDir);
        std::vector<std::pair<std::string, std::string>> present;
        for (int i = 0; i < fileCount; ++i)
            if (!c.missing.count(i))
                present.push_back(stored[i]);
        PayloadModule module(caseDir, present);
        for (PayloadFile& row : fileTable)
            row.status = 0;

        EXPECT_EQ(ExtractAll(module.instance(), owner), fileCount - static_cast<int>(c.missing.size())) << c.name;
        const std::string temp = PayloadTempDir();
        std::vector<std::string> expected, removing;
        for (int i = 0; i < fileCount; ++i) {
            if (c.missing.count(i)) {
                expected.push_back(std::string("Failed to locate resource ") + fileTable[i].resource);
                EXPECT_EQ(fileTable[i].status, 0) << c.name << i;
                EXPECT_FALSE(FileExists(temp + fileTable[i].destName)) << c.name << i;
            } else {
                expected.push_back(ExtractingLine(temp + fileTable[i].destName, stored[i].second.size()));
                removing.push_back("Removing " + temp + fileTable[i].sourceName);
                EXPECT_EQ(fileTable[i].status, STATUS_EXTRACTED) << c.name << i;
            }
        }
        EXPECT_EQ(log.Lines(), expected) << c.name;
        RemoveTempFiles();
        expected.insert(expected.end(), removing.begin(), removing.end());
        EXPECT_EQ(log.Lines(), expected) << c.name;
        EXPECT_FALSE(DirExists(temp)) << c.name;
    }
}

// ---- The private directory ------------------------------------------------------------

std::vector<std::string> triedDirs;
int takenNames = 0;
DWORD dirError = ERROR_ALREADY_EXISTS;
WINBOOL (WINAPI* realCreateDirectory)(LPCSTR, LPSECURITY_ATTRIBUTES);

WINBOOL WINAPI TakenCreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES security)
{
    triedDirs.push_back(path);
    if (takenNames-- > 0) {
        SetLastError(dirError);
        return FALSE;
    }
    return realCreateDirectory(path, security);
}

TEST_F(Extract, PrivateDirectoryNameIsNeverReused)
{
    LogInDir log(dir);
    PayloadModule module(dir, TestPayload());
    const std::string shared = PlatformTempDir();
    struct Case {
        const char* name;
        int taken;
        DWORD error;
        int extracted;
    } cases[] = {
        {"three names taken", 3, ERROR_ALREADY_EXISTS, fileCount},
        {"directory cannot be made", 1000000, ERROR_ACCESS_DENIED, 0},
    };
    for (const Case& c : cases) {
        for (PayloadFile& row : fileTable)
            row.status = 0;
        triedDirs.clear();
        takenNames = c.taken;
        dirError = c.error;
        size_t logged = log.Lines().size();
        int count;
        {
            ImportPatch patch("kernel32.dll", "CreateDirectoryA", reinterpret_cast<void*>(TakenCreateDirectory));
            realCreateDirectory = reinterpret_cast<decltype(realCreateDirectory)>(patch.original());
            count = ExtractAll(module.instance(), owner);
        }
        EXPECT_EQ(count, c.extracted) << c.name;
        std::set<std::string> distinct(triedDirs.begin(), triedDirs.end());
        EXPECT_EQ(distinct.size(), triedDirs.size()) << c.name;
        for (const std::string& d : triedDirs)
            EXPECT_EQ(d.compare(0, shared.size(), shared), 0) << d;
        std::vector<std::string> lines = log.Lines();
        if (c.extracted) {
            ASSERT_EQ(triedDirs.size(), 4u) << c.name;
            EXPECT_EQ(PayloadTempDir(), triedDirs.back() + "\\");
            EXPECT_EQ(lines.size(), logged + fileCount);
            RemoveTempFiles();
        } else {
            // Another kind of failure is not retried: one attempt, one line, nothing marked.
            ASSERT_EQ(triedDirs.size(), 1u) << c.name;
            EXPECT_STREQ(PayloadTempDir(), "");
            ASSERT_EQ(lines.size(), logged + 1);
            EXPECT_EQ(lines.back(), "File creation error on " + triedDirs[0]);
            for (const PayloadFile& row : fileTable)
                EXPECT_EQ(row.status, 0);
            RemoveTempFiles();
            EXPECT_EQ(log.Lines().size(), logged + 1);
        }
    }
}

// A file planted in the shared temporary directory, under the compressed name that
// the copy opens first, must not be installed, and must not be deleted either.
TEST_F(Extract, PlantedFilesInTheSharedTempDirectoryAreNeitherUsedNorTouched)
{
    std::vector<std::string> expanded;
    PayloadModule module(dir, TestPayload(&expanded));
    const std::string shared = PlatformTempDir();
    const std::vector<std::pair<std::string, std::string>> planted = {
        {"marvane.ex_", SzddContainer("planted program")},
        {"Marvane.exe", "planted plain program"},
        {"release.tx_", SzddContainer("planted notes")},
        {"down1.wav", "planted sound"},
    };
    for (const auto& p : planted)
        ASSERT_TRUE(WriteFileBytes(shared + p.first, p.second));

    installer.quietMode = 1;
    std::string program = dir + "\\program";
    CreateDirectoryA(program.c_str(), nullptr);
    ASSERT_EQ(ExtractAll(module.instance(), owner), fileCount);
    std::vector<SeenBox> boxes = WithBoxes({}, [&] {
        EXPECT_EQ(CopyFiles(module.instance(), owner, PayloadTempDir(), program.c_str(), program.c_str(),
                            program.c_str()),
                  1);
    });
    EXPECT_TRUE(boxes.empty()) << ::testing::PrintToString(boxes);
    for (int i = 0; i < fileCount; ++i)
        EXPECT_TRUE(ReadFileBytes(program + "\\" + fileTable[i].destName) == expanded[i]) << i;
    RemoveTempFiles();
    for (const auto& p : planted) {
        EXPECT_EQ(ReadFileBytes(shared + p.first), p.second) << p.first;
        DeleteFileA((shared + p.first).c_str());
    }
}

// The payload that this build packed goes through extraction and the platform's
// expansion into exactly the files the build packed.
TEST_F(Extract, TheBuiltPayloadInstallsByteIdentically)
{
    installer.quietMode = 1;
    const std::string packed = WindowsPath(Env("MARVANE_PAYLOAD_OUT"));
    std::string program = dir + "\\program";
    CreateDirectoryA(program.c_str(), nullptr);
    ASSERT_EQ(ExtractAll(installer.instance, owner), fileCount);
    std::vector<SeenBox> boxes = WithBoxes({}, [&] {
        EXPECT_EQ(CopyFiles(installer.instance, owner, PayloadTempDir(), program.c_str(), program.c_str(),
                            program.c_str()),
                  1);
    });
    EXPECT_TRUE(boxes.empty()) << ::testing::PrintToString(boxes);
    for (int i = 0; i < fileCount; ++i) {
        std::string expected = ReadFileBytes(packed + "\\" + fileTable[i].destName);
        EXPECT_FALSE(expected.empty()) << fileTable[i].destName;
        EXPECT_TRUE(ReadFileBytes(program + "\\" + fileTable[i].destName) == expected) << fileTable[i].destName;
    }
}

TEST_F(Extract, CleanUpWithoutExtractionDeletesNothing)
{
    LogInDir log(dir);
    const std::string shared = PlatformTempDir();
    ASSERT_TRUE(WriteFileBytes(shared + "marvane.exe", "someone else's"));
    // Even a stray mark must not reach the shared directory.
    fileTable[0].status = STATUS_EXTRACTED;
    EXPECT_EQ(RemoveTempFiles(), 0);
    EXPECT_EQ(ReadFileBytes(shared + "marvane.exe"), "someone else's");
    EXPECT_TRUE(log.Lines().empty());
    DeleteFileA((shared + "marvane.exe").c_str());
}

}  // namespace
