// The expanding copy of one file through the platform's lz32, and its prompts.
#include <gtest/gtest.h>

#include <cstring>

#include "payload/copy.h"
#include "payload/lzlib.h"
#include "payload_support.h"
#include "startup/state.h"
#include "support/winhelp.h"

namespace {

class Copy : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseTestModule();
        dir = FreshDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        src = dir + "\\src";
        dst = dir + "\\dst";
        CreateDirectoryA(src.c_str(), nullptr);
        CreateDirectoryA(dst.c_str(), nullptr);
        owner = MakeOwnerWindow();
        installer.mainWindow = owner;
        // The copy loop loads the expansion library around the walk; here each test does.
        ASSERT_TRUE(LoadLzLibrary());
    }
    void TearDown() override
    {
        FreeLzLibrary();
        DestroyWindow(owner);
    }

    // A row like the main program's (required) or the support library's (not).
    PayloadFile Row(bool required)
    {
        PayloadFile row = fileTable[required ? 0 : 1];
        row.status = 0;
        return row;
    }

    SavedState saved;
    std::string dir, src, dst;
    HWND owner = nullptr;
};

// Deletable means no handle of ours is left open on it.
bool Deletable(const std::string& path)
{
    return !FileExists(path) || DeleteFileA(path.c_str());
}

TEST_F(Copy, LzCopyFileOutcomes)
{
    const std::string text = TextContent(40000, 1), other = TextContent(9000, 2), binary = BinaryContent(70000, 3);
    const std::string container = SzddContainer(text);
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> sources;  // name in src, bytes
        std::string source, dest;
        std::string before;  // destination's content beforehand; empty: none
        int code;
        std::string after;   // expected destination; "<absent>" when it must not exist
    } cases[] = {
        {"SZDD under the plain name", {{"a.txt", container}}, "a.txt", "a.txt", "", 0, text},
        {"the _ name is taken first", {{"b.txt", container}, {"b.tx_", SzddContainer(other)}}, "b.txt", "b.txt",
         "", 0, other},
        {"only the _ name", {{"c.tx_", container}}, "c.txt", "c.txt", "", 0, text},
        {"not SZDD: copied unchanged", {{"d.bin", binary}}, "d.bin", "d.bin", "", 0, binary},
        {"shorter than a header", {{"e.bin", "tiny"}}, "e.bin", "e.bin", "", 0, "tiny"},
        {"literal-only stream", {{"f.txt", SzddContainer(other, 0)}}, "f.txt", "f.txt", "", 0, other},
        {"existing destination is replaced", {{"g.txt", SzddContainer("short")}}, "g.txt", "g.txt",
         std::string(10000, 'x'), 0, "short"},
        {"no source", {}, "h.txt", "h.txt", "", LZCOPY_NO_SOURCE, "<absent>"},
        {"destination cannot be created", {{"i.txt", container}}, "i.txt", "missing\\i.txt", "",
         LZCOPY_NO_DEST, "<absent>"},
        {"truncated container", {{"j.txt", container.substr(0, container.size() - 100)}}, "j.txt", "j.txt", "",
         LZCOPY_FAILED, "<absent>"},
        {"stream gives less than recorded", {{"k.txt", SzddRaw(100, std::string("\xFF", 1) + "abcdefgh")}},
         "k.txt", "k.txt", "", LZCOPY_FAILED, "<absent>"},
        {"stream gives more than recorded", {{"l.txt", SzddRaw(4, std::string("\xFF", 1) + "abcdefgh")}},
         "l.txt", "l.txt", "", LZCOPY_FAILED, "<absent>"},
        {"0-byte expansion", {{"m.txt", SzddRaw(0, "")}}, "m.txt", "m.txt", "", LZCOPY_FAILED, "<absent>"},
        {"empty plain file", {{"n.txt", ""}}, "n.txt", "n.txt", "", LZCOPY_FAILED, "<absent>"},
        {"padded container", {{"p.txt", container + std::string("\x01Z", 2)}}, "p.txt", "p.txt", "",
         LZCOPY_FAILED, "<absent>"},
        {"failed expansion over an older file", {{"q.txt", container.substr(0, 300)}}, "q.txt", "q.txt",
         std::string(5000, 'o'), LZCOPY_FAILED, "<absent>"},
        {"unknown compression mode", {{"o.txt", SzddRaw(8, std::string("\xFF", 1) + "abcdefgh", 'B')}},
         "o.txt", "o.txt", "", LZCOPY_FAILED, "<absent>"},
    };
    for (const Case& c : cases) {
        for (const auto& f : c.sources)
            ASSERT_TRUE(WriteFileBytes(src + "\\" + f.first, f.second));
        std::string dest = dst + "\\" + c.dest;
        if (!c.before.empty())
            WriteFileBytes(dest, c.before);
        EXPECT_EQ(LzCopyFile((src + "\\" + c.source).c_str(), dest.c_str()), c.code) << c.name;
        if (c.after == "<absent>") {
            EXPECT_FALSE(FileExists(dest)) << c.name;
        } else if (c.code == 0) {
            EXPECT_TRUE(ReadFileBytes(dest) == c.after) << c.name;
        }
        // Nothing stays open: both files can be deleted.
        for (const auto& f : c.sources)
            EXPECT_TRUE(Deletable(src + "\\" + f.first)) << c.name << ": " << f.first;
        EXPECT_TRUE(Deletable(dest)) << c.name;
    }
}

// The library is loaded by its full path in the system directory; a name that is
// not there, or a DLL without its functions, leaves every expansion failing.
TEST_F(Copy, WithoutTheExpansionLibraryEveryExpansionFails)
{
    WriteFileBytes(src + "\\a.txt", SzddContainer(TextContent(3000, 11)));
    const std::string dest = dst + "\\a.txt";
    for (const char* name : {"NOSUCHLZ.DLL", "user32.dll"}) {
        FreeLzLibrary();
        LzLibraryUseNameForTesting(name);
        EXPECT_FALSE(LoadLzLibrary()) << name;
        LzLibraryUseNameForTesting(nullptr);
        EXPECT_EQ(lzInit, nullptr) << name;
        EXPECT_EQ(LzCopyFile((src + "\\a.txt").c_str(), dest.c_str()), LZCOPY_FAILED) << name;
        EXPECT_FALSE(FileExists(dest)) << name;
    }
    ASSERT_TRUE(LoadLzLibrary());
    EXPECT_EQ(LzCopyFile((src + "\\a.txt").c_str(), dest.c_str()), LZCOPY_OK);
}

TEST_F(Copy, SamePathIgnoringCaseIsLeftAlone)
{
    std::string path = dst + "\\Same.txt";
    std::string container = SzddContainer(TextContent(500, 4));
    WriteFileBytes(path, container);
    std::string upper = path;
    for (char& ch : upper)
        ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
    EXPECT_EQ(LzCopyFile(upper.c_str(), path.c_str()), LZCOPY_OK);
    EXPECT_TRUE(ReadFileBytes(path) == container);  // not expanded onto itself
}

// The platform allows 16 LZ handles at once: a path that leaks one shows within
// a few dozen copies.
TEST_F(Copy, EveryPathClosesItsHandles)
{
    const std::string text = TextContent(3000, 5);
    const std::string container = SzddContainer(text);
    WriteFileBytes(src + "\\good.txt", container);
    WriteFileBytes(src + "\\cut.txt", container.substr(0, container.size() / 2));
    WriteFileBytes(src + "\\long.txt", SzddRaw(2, std::string("\xFF", 1) + "abc"));
    WriteFileBytes(src + "\\mode.txt", SzddRaw(3, std::string("\xFF", 1) + "abc", 'C'));
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(LzCopyFile((src + "\\cut.txt").c_str(), (dst + "\\cut.txt").c_str()), LZCOPY_FAILED);
        EXPECT_EQ(LzCopyFile((src + "\\long.txt").c_str(), (dst + "\\long.txt").c_str()), LZCOPY_FAILED);
        EXPECT_EQ(LzCopyFile((src + "\\mode.txt").c_str(), (dst + "\\mode.txt").c_str()), LZCOPY_FAILED);
        EXPECT_EQ(LzCopyFile((src + "\\good.txt").c_str(), (dst + "\\no\\good.txt").c_str()), LZCOPY_NO_DEST);
        EXPECT_EQ(LzCopyFile((src + "\\good.txt").c_str(), (dst + "\\good.txt").c_str()), LZCOPY_OK);
    }
    EXPECT_TRUE(ReadFileBytes(dst + "\\good.txt") == text);
}

// Beyond the 128 characters of the platform's file-open record.
TEST_F(Copy, LongSourceAndDestinationPaths)
{
    std::string longSrc = dir + "\\" + std::string(150 - dir.size() - 1, 's');
    std::string longDst = dir + "\\" + std::string(200 - dir.size() - 1, 'd');
    ASSERT_EQ(longSrc.size(), 150u);
    ASSERT_EQ(longDst.size(), 200u);
    ASSERT_TRUE(CreateDirectoryA(longSrc.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(longDst.c_str(), nullptr));
    const std::string text = TextContent(20000, 6);
    WriteFileBytes(longSrc + "\\marvane.ex_", SzddContainer(text));
    WriteFileBytes(longSrc + "\\release.txt", SzddContainer(text.substr(5000)));

    EXPECT_EQ(LzCopyFile((longSrc + "\\release.txt").c_str(), (longDst + "\\Release.txt").c_str()), LZCOPY_OK);
    EXPECT_TRUE(ReadFileBytes(longDst + "\\Release.txt") == text.substr(5000));

    PayloadFile row = Row(true);
    std::vector<SeenBox> boxes = WithBoxes({}, [&] {
        EXPECT_EQ(CopyOneFile(&row, (longSrc + "\\").c_str(), longDst.c_str(), owner, nullptr), 0);
    });
    EXPECT_TRUE(boxes.empty()) << ::testing::PrintToString(boxes);
    EXPECT_TRUE(row.status & STATUS_COPIED);
    EXPECT_TRUE(ReadFileBytes(longDst + "\\Marvane.exe") == text);
}

TEST_F(Copy, IniOverwritePrompt)
{
    const std::string fresh = TextContent(700, 7), old = "old settings\r\n";
    WriteFileBytes(src + "\\new.txt", SzddContainer(fresh));
    CreateDirectoryA((dst + "\\conf.ini.d").c_str(), nullptr);
    struct Case {
        const char* dest;
        bool exists, quiet;
        int answer;       // 0: no prompt expected
        bool replaced;
        const char* screenshot;
    } cases[] = {
        {"settings.ini", true, false, IDNO, false, "payload_overwrite_prompt"},
        {"settings.ini", true, false, IDYES, true, ""},
        {"conf.ini.d\\app.txt", true, false, IDNO, false, ""},
        {"conf.ini.d\\app.txt", true, false, IDYES, true, ""},
        {"SETTINGS.INI", true, false, 0, true, ""},
        {"fresh.ini", false, false, 0, true, ""},
        {"settings.ini", true, true, 0, false, ""},
    };
    for (const Case& c : cases) {
        std::string dest = dst + "\\" + c.dest;
        DeleteFileA(dest.c_str());
        if (c.exists)
            WriteFileBytes(dest, old);
        installer.quietMode = c.quiet;
        std::vector<BoxAnswer> answers;
        if (c.answer)
            answers.push_back({c.answer, nullptr, c.screenshot});
        std::vector<SeenBox> boxes = WithBoxes(answers, [&] {
            EXPECT_EQ(LzCopyFile((src + "\\new.txt").c_str(), dest.c_str()), LZCOPY_OK) << c.dest;
        });
        ASSERT_EQ(boxes.size(), c.answer ? 1u : 0u) << c.dest << ::testing::PrintToString(boxes);
        if (c.answer) {
            EXPECT_EQ(boxes[0].caption, "Overwrite warning");
            EXPECT_EQ(boxes[0].text, "The file " + dest + " already exists.\nOverwrite it?");
            EXPECT_EQ(boxes[0].buttons, (std::vector<int>{IDYES, IDNO}));
            EXPECT_TRUE(boxes[0].icon);
            EXPECT_EQ(boxes[0].owner, owner);
        }
        EXPECT_TRUE(ReadFileBytes(dest) == (c.replaced ? fresh : old)) << c.dest;
    }
}

TEST_F(Copy, DiskPromptButtonsFollowTheCurrentDisk)
{
    struct Case {
        int currentDisk, rowDisk;
        std::vector<int> buttons;
        const char* screenshot;
    } cases[] = {
        {0, 1, {IDOK, IDCANCEL}, "payload_disk_prompt_first"},
        {1, 1, {IDCANCEL, IDRETRY}, "payload_disk_prompt_retry"},
        {2, 1, {IDOK, IDCANCEL}, ""},
    };
    for (const Case& c : cases) {
        currentDisk = c.currentDisk;
        PayloadFile row = Row(false);
        row.disk = c.rowDisk;
        std::vector<SeenBox> boxes = WithBoxes({{IDCANCEL, nullptr, c.screenshot}}, [&] {
            EXPECT_EQ(CopyOneFile(&row, (src + "\\").c_str(), dst.c_str(), owner, nullptr), 0);
        });
        ASSERT_EQ(boxes.size(), 1u) << ::testing::PrintToString(boxes);
        EXPECT_EQ(boxes[0].caption, "Change disk");
        EXPECT_EQ(boxes[0].text, "Insert disk 1 containing crvtsupt.dll");
        EXPECT_EQ(boxes[0].buttons, c.buttons) << c.currentDisk;
        EXPECT_FALSE(boxes[0].icon);
        EXPECT_EQ(boxes[0].owner, owner);
        EXPECT_EQ(row.status, 0);
        EXPECT_EQ(currentDisk, c.currentDisk);  // only a success changes it
    }
}

TEST_F(Copy, RetryAfterTheCauseIsFixedSucceeds)
{
    LogInDir log(dir);
    const std::string text = TextContent(12000, 8);
    const std::string dest = dst + "\\Marvane.exe";
    struct Case {
        const char* name;
        std::function<void()> breakIt, fixIt;
        const char* caption;
        std::string message;
        std::vector<int> buttons;
        int press;
    } cases[] = {
        {"missing source", [&] { DeleteFileA((src + "\\marvane.exe").c_str()); },
         [&] { WriteFileBytes(src + "\\marvane.exe", SzddContainer(text)); }, "Change disk",
         "Insert disk 1 containing marvane.exe", {IDOK, IDCANCEL}, IDOK},
        {"destination not creatable",
         [&] {
             WriteFileBytes(src + "\\marvane.exe", SzddContainer(text));
             DeleteFileA(dest.c_str());
             CreateDirectoryA(dest.c_str(), nullptr);  // a directory where the file should go
         },
         [&] { RemoveDirectoryA(dest.c_str()); }, "Error", "Failed to open destination file Marvane.exe",
         {IDCANCEL, IDRETRY}, IDRETRY},
        {"truncated source",
         [&] {
             std::string c = SzddContainer(text);
             WriteFileBytes(src + "\\marvane.exe", c.substr(0, c.size() - 40));
         },
         [&] { WriteFileBytes(src + "\\marvane.exe", SzddContainer(text)); }, "Change disk",
         "Insert disk 1 containing marvane.exe", {IDCANCEL, IDRETRY}, IDRETRY},
    };
    size_t logged = 0;
    for (const Case& c : cases) {
        c.breakIt();
        PayloadFile row = Row(true);
        std::string shot = std::string(c.caption) == "Error" ? "payload_dest_prompt" : "";
        std::vector<SeenBox> boxes = WithBoxes({{c.press, c.fixIt, shot}}, [&] {
            EXPECT_EQ(CopyOneFile(&row, (src + "\\").c_str(), dst.c_str(), owner, nullptr), 0) << c.name;
        });
        ASSERT_EQ(boxes.size(), 1u) << c.name << ::testing::PrintToString(boxes);
        EXPECT_EQ(boxes[0].caption, c.caption) << c.name;
        EXPECT_EQ(boxes[0].text, c.message) << c.name;
        EXPECT_EQ(boxes[0].buttons, c.buttons) << c.name;
        EXPECT_FALSE(boxes[0].icon) << c.name;
        EXPECT_EQ(row.status, STATUS_COPIED) << c.name;
        EXPECT_EQ(currentDisk, 1) << c.name;
        EXPECT_TRUE(ReadFileBytes(dest) == text) << c.name;
        // One copying line per file, however many attempts.
        std::vector<std::string> lines = log.Lines();
        ASSERT_EQ(lines.size(), logged + 1) << c.name;
        EXPECT_EQ(lines.back(), "Copying " + src + "\\marvane.exe to " + dest) << c.name;
        logged = lines.size();
    }
}

TEST_F(Copy, GivingUp)
{
    LogInDir log(dir);
    const std::string text = TextContent(800, 9);
    struct Case {
        const char* name;
        bool required, quiet;
        std::string sourceBytes;  // empty: no source at all
        bool damaged = false;     // the row's container failed its checksum
    } cases[] = {
        {"optional, missing", false, false, ""},
        {"optional, 0-byte expansion", false, false, SzddRaw(0, "")},
        {"optional, truncated", false, false, SzddContainer(text).substr(0, 200)},
        {"required, missing", true, false, ""},
        {"required, missing, quiet", true, true, ""},
        {"required, truncated, quiet", true, true, SzddContainer(text).substr(0, 200)},
        {"optional, damaged", false, false, "", true},
        {"required, damaged, quiet", true, true, "", true},
    };
    size_t logged = 0;
    for (const Case& c : cases) {
        installer.quietMode = c.quiet;
        PayloadFile row = Row(c.required);
        row.status = c.damaged ? STATUS_DAMAGED : 0;
        std::string source = src + "\\" + row.sourceName;
        DeleteFileA(source.c_str());
        if (!c.sourceBytes.empty())
            WriteFileBytes(source, c.sourceBytes);
        std::string dest = dst + "\\" + row.destName;
        HWND line = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, owner, nullptr, nullptr, nullptr);
        std::string shot = (c.required && !c.quiet) ? "payload_copy_error" : "";
        int result = -5;
        std::vector<BoxAnswer> answers = {{IDCANCEL, nullptr, ""}, {IDOK, nullptr, shot}};
        if (c.damaged)
            answers = {{IDOK, nullptr, "payload_damaged_box"}};
        std::vector<SeenBox> boxes = WithBoxes(answers, [&] {
            result = CopyOneFile(&row, (src + "\\").c_str(), dst.c_str(), owner, line);
        });
        EXPECT_EQ(result, c.required ? 1 : 0) << c.name;
        EXPECT_EQ(row.status & STATUS_COPIED, 0) << c.name;
        EXPECT_FALSE(FileExists(dest)) << c.name;  // no partial file, whether the row was needed or not
        std::string copying = "Copying " + source + " to " + dest;
        EXPECT_EQ(WindowText(line), copying) << c.name;
        DestroyWindow(line);

        // The disk prompt comes in quiet mode too; the final error box only without it.
        // A damaged container is no disk to ask for: an error box says so, unless quiet.
        bool errorBox = c.required && !c.quiet;
        bool firstBox = !(c.damaged && c.quiet);
        ASSERT_EQ(boxes.size(), (errorBox ? 1u : 0u) + (firstBox ? 1u : 0u)) << c.name << ::testing::PrintToString(boxes);
        if (c.damaged && firstBox) {
            EXPECT_EQ(boxes[0].text, std::string("Payload ") + row.resource +
                                         " is damaged; get a new copy of the installer.") << c.name;
            EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK}) << c.name;
            EXPECT_EQ(boxes[0].icon, static_cast<UINT>(MB_ICONERROR)) << c.name;
        } else if (firstBox) {
            EXPECT_EQ(boxes[0].text, std::string("Insert disk 1 containing ") + row.sourceName) << c.name;
        }
        std::vector<std::string> lines = log.Lines();
        ASSERT_EQ(lines.size(), logged + 2) << c.name;
        EXPECT_EQ(lines[logged], copying) << c.name;
        if (!c.required) {  // a skipped row is said so
            EXPECT_EQ(lines.back(), dest + " was not installed.") << c.name;
        }
        if (c.required) {
            std::string prefix = std::string("Copy of ") + row.sourceName + " to " + dst + " failed. (";
            EXPECT_EQ(lines.back().compare(0, prefix.size(), prefix), 0) << lines.back();
            EXPECT_EQ(lines.back().back(), ')');
            if (errorBox) {
                EXPECT_EQ(boxes[1].caption, "Install");
                EXPECT_EQ(boxes[1].text, lines.back());
                EXPECT_EQ(boxes[1].buttons, std::vector<int>{IDOK});
                EXPECT_TRUE(boxes[1].icon);
                EXPECT_EQ(boxes[1].owner, owner);
            }
        }
        logged = lines.size();
    }
}

}  // namespace
