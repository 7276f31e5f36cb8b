// Directory creation with its error boxes, as the user sees them.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialogs/driver.h"
#include "install/prompts.h"
#include "startup/state.h"
#include "support/winhelp.h"

namespace {

class CreatePath : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseTestModule();
        installer.quietMode = 0;
        base = FreshTestDir();
    }
    void TearDown() override { installer.quietMode = 0; }

    // Runs CreateDirectoryPath on a copy of path, answering its boxes with OK; checks
    // the text comes back intact.
    int Create(const std::string& path, std::vector<SeenBox>* boxes, const std::string& screenshot = "")
    {
        char buffer[PROMPT_CHARS];
        CopyText(buffer, sizeof buffer, path.c_str());
        int result = -1;
        std::vector<BoxAnswer> answers;
        if (!screenshot.empty())
            answers.push_back({IDOK, nullptr, screenshot});
        *boxes = WithBoxes(answers, [&] { result = CreateDirectoryPath(buffer); });
        EXPECT_EQ(std::string(buffer), path) << "the path must be restored";
        return result;
    }

    // The error the platform gives for one plain attempt at this directory.
    static unsigned PlainError(const std::string& path)
    {
        SetLastError(0);
        EXPECT_FALSE(CreateDirectoryA(path.c_str(), nullptr)) << path;
        return GetLastError();
    }

    static std::string FailureText(const std::string& path, unsigned error)
    {
        return "Creation of " + path + " failed. (" + std::to_string(error) + ")";
    }

    std::string base;
};

TEST_F(CreatePath, CreatesWhatIsMissingAndShowsNothing)
{
    ASSERT_TRUE(WriteFileBytes(base + "\\file.txt", "x"));
    struct Case {
        const char* what;
        std::string path;
        std::vector<std::string> mustExistAfter;  // directories
    };
    const Case cases[] = {
        {"three levels below an existing directory", base + "\\A\\B\\C", {base + "\\A", base + "\\A\\B", base + "\\A\\B\\C"}},
        {"the directory exists", base, {base}},
        {"one level, trailing backslash", base + "\\R\\", {base + "\\R"}},
        {"parent missing, trailing backslash", base + "\\P\\Q\\", {base + "\\P", base + "\\P\\Q"}},
        {"parent missing twice, trailing backslash", base + "\\S\\T\\U\\", {base + "\\S\\T\\U"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<SeenBox> boxes;
        EXPECT_EQ(Create(c.path, &boxes), 1);
        EXPECT_TRUE(boxes.empty()) << boxes.size() << " box(es), first: " << (boxes.empty() ? "" : boxes[0].text);
        for (const std::string& dir : c.mustExistAfter)
            EXPECT_TRUE(DirExists(dir)) << dir;
    }
}

TEST_F(CreatePath, RootLevelPathWithOnlyTheDrivePresent)
{
    ASSERT_FALSE(DirExists("C:\\A")) << "the prefix is expected fresh";
    std::vector<SeenBox> boxes;
    EXPECT_EQ(Create("C:\\A\\B\\C", &boxes), 1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(DirExists("C:\\A\\B\\C"));
}

// A file of that name is no directory: the installation cannot go there, and says
// why (ERROR_ALREADY_EXISTS) instead of failing later on the first file.
TEST_F(CreatePath, AnExistingFileIsNoDirectory)
{
    std::string file = base + "\\readme.txt";
    ASSERT_TRUE(WriteFileBytes(file, "text"));
    std::vector<SeenBox> boxes;
    EXPECT_EQ(Create(file, &boxes), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, FailureText(file, ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ReadFileBytes(file), "text") << "the file stays as it was";
}

// Every level that cannot be made reports itself, in quiet runs too.
TEST_F(CreatePath, EachLevelThatFailsShowsItsBox)
{
    std::string drive = MissingDrive();
    ASSERT_FALSE(drive.empty());
    std::string file = base + "\\plain.txt";
    ASSERT_TRUE(WriteFileBytes(file, "x"));

    struct Case {
        const char* what;
        std::string path;
        std::vector<std::string> failedLevels;  // in the order the boxes appear
    };
    const Case cases[] = {
        {"below a missing drive", drive + "\\Marvane", {drive, drive + "\\Marvane"}},
        {"two levels below a missing drive", drive + "\\a\\b", {drive, drive + "\\a", drive + "\\a\\b"}},
        {"below an existing file", file + "\\sub", {file, file + "\\sub"}},
        {"an empty path", "", {""}},
    };
    for (int quiet = 0; quiet <= 1; ++quiet) {
        installer.quietMode = quiet;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (quiet ? " (quiet)" : ""));
            std::vector<SeenBox> boxes;
            EXPECT_EQ(Create(c.path, &boxes), 0);
            ASSERT_EQ(boxes.size(), c.failedLevels.size());
            for (size_t i = 0; i < boxes.size(); ++i) {
                const std::string& level = c.failedLevels[i];
                EXPECT_EQ(boxes[i].text, FailureText(level, PlainError(level)));
                EXPECT_EQ(boxes[i].caption, "Install");
                EXPECT_EQ(boxes[i].owner, nullptr);
                EXPECT_EQ(boxes[i].icon, static_cast<UINT>(MB_ICONERROR));
                EXPECT_EQ(boxes[i].buttons, std::vector<int>{IDOK});
            }
        }
    }
}

TEST_F(CreatePath, ErrorBoxScreenshot)
{
    std::vector<SeenBox> boxes;
    EXPECT_EQ(Create(MissingDrive() + "\\Marvane", &boxes, "dialogs-create-failed"), 0);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0].caption, "Install");
}

// The box driver itself: a box that ignores its buttons, shown by another thread so
// that the code under test returns while it stands, fails the test and is named; the
// driver has ended by then (it lived on WithBoxes' stack).
WNDPROC stickyBoxProc;
const UINT kUnstick = WM_APP + 1;

LRESULT CALLBACK StickyBox(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        return 0;
    if (message == kUnstick) {
        EndDialog(box, IDOK);
        return 0;
    }
    return CallWindowProcA(stickyBoxProc, box, message, wParam, lParam);
}

LRESULT CALLBACK MakeSticky(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && !stickyBoxProc && IsMessageBox(reinterpret_cast<HWND>(wParam)))
        stickyBoxProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(reinterpret_cast<HWND>(wParam), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StickyBox)));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD WINAPI ShowStickyBox(void*)
{
    HHOOK hook = SetWindowsHookExA(WH_CBT, MakeSticky, nullptr, GetCurrentThreadId());
    MessageBoxA(nullptr, "This box ignores its buttons.", "Sticky", MB_OKCANCEL);
    UnhookWindowsHookEx(hook);
    return 0;
}

void AnswerStickyBox()
{
    WithBoxes({}, [] {
        CloseHandle(CreateThread(nullptr, 0, ShowStickyBox, nullptr, 0, nullptr));
        WaitUntil([] { return FindMessageBox(GetCurrentProcessId()) != nullptr; }, 30000);
    });
}

TEST(WithBoxes, ABoxThatSticksFailsTheTestNamingIt)
{
    EXPECT_NONFATAL_FAILURE(AnswerStickyBox(),
                            "message box [Sticky] \"This box ignores its buttons.\" buttons 1 2 stayed open after "
                            "button 2 was pressed");
    HWND box = FindMessageBox(GetCurrentProcessId());
    ASSERT_NE(box, nullptr);
    PostMessageA(box, kUnstick, 0, 0);
    EXPECT_TRUE(WaitUntil([box] { return !IsWindow(box); }, 10000));
}

}  // namespace
