#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "install/messages.h"
#include "resources/resource.h"
#include "startup/state.h"
#include "support/winhelp.h"

namespace {

class Messages : public ::testing::Test {
protected:
    void SetUp() override { UseTestModule(); }
};

TEST_F(Messages, LoadsEntriesWithRealLineFeeds)
{
    char buf[1024];
    ASSERT_EQ(LoadMessage(IDS_INSTALL_TITLE, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "Marvane 2.6 Install");
    ASSERT_EQ(LoadMessage(IDS_REMOVE_EXCESS, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "Removal process complete.\nCheck the directory %1!s! for excess files\n"
                      "that caused the removal process to not cleanup entirely.");
    ASSERT_EQ(LoadMessage(IDS_REMOVING_INSTALL, buf, sizeof buf), 1);
    EXPECT_EQ(buf[0], '\n');
    ASSERT_EQ(LoadMessage(IDS_DEST_OPEN_FAILED, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "Failed to open destination file %1!s!");
}

TEST_F(Messages, EveryEntryOfTheTableLoads)
{
    const unsigned ids[] = {9999,  10001, 10002, 10003, 10004, 10005, 10010, 10011, 10012, 10013, 10016, 10017,
                            10018, 10019, 10020, 10021, 10022, 10023, 10024, 10026, 10028, 10034, 10035, 10038,
                            10040, 10046, 10047, 10070, 10071, 10072, 10073, 10074, 10075, 10076, 10077, 10078,
                            10079, 10080, 10081, 10082, 10083, 10084, 10085, 10086, 10087, 10088, 10089, 10090, 10091, 10092, 10093,
                            10094, 10095, 11622};
    char buf[1024];
    for (unsigned id : ids)
        EXPECT_EQ(LoadMessage(id, buf, sizeof buf), 1) << id;
    LoadMessage(10022, buf, sizeof buf);
    char other[1024];
    LoadMessage(10026, other, sizeof other);
    EXPECT_STREQ(buf, other);  // same text, separate entries
}

TEST_F(Messages, CapacityZeroLeavesBufferAlone)
{
    char buf[8] = "keepme";
    EXPECT_EQ(LoadMessage(IDS_INSTALL_TITLE, buf, 0), 0);
    EXPECT_STREQ(buf, "keepme");
}

TEST_F(Messages, MissingNumberGivesCutFallback)
{
    char buf[32];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(LoadMessage(10099, buf, 16), 0);
    EXPECT_STREQ(buf, "10099 DEBUG - U");
    EXPECT_EQ(buf[16], 'x');  // nothing written past the capacity
    char full[256];
    EXPECT_EQ(LoadMessage(10099, full, sizeof full), 0);
    EXPECT_STREQ(full, "10099 DEBUG - Unable to load string");
}

TEST_F(Messages, LoadCutsLongEntryAtCapacity)
{
    char buf[12];
    std::memset(buf, 'x', sizeof buf);
    LoadMessage(IDS_INSTALL_TITLE, buf, 8);
    EXPECT_STREQ(buf, "Marvane");
    EXPECT_EQ(buf[8], 'x');
}

TEST_F(Messages, FormatsInsertsThroughThePlatform)
{
    char out[256];
    ASSERT_EQ(FormatMessageText(out, sizeof out, "Creation of %1!s! failed. (%2!u!)", "C:\\Marvane", 5u), 1);
    EXPECT_STREQ(out, "Creation of C:\\Marvane failed. (5)");
    ASSERT_EQ(FormatMessageText(out, sizeof out, "a\nb %1!s!", "c"), 1);
    EXPECT_STREQ(out, "a\nb c");
}

TEST_F(Messages, FormatCutsAtCapacityAndNeverOverruns)
{
    char out[16];
    std::memset(out, 'x', sizeof out);
    std::string longText(300, 'y');
    ASSERT_EQ(FormatMessageText(out, 10, "%1!s!", longText.c_str()), 1);
    EXPECT_EQ(std::strlen(out), 9u);
    EXPECT_EQ(out[10], 'x');
}

TEST_F(Messages, LoadFormattedUsesFallbackUnformatted)
{
    char out[256];
    EXPECT_EQ(LoadFormattedMessage(IDS_CREATE_FAILED, out, sizeof out, "C:\\X", 3u), 1);
    EXPECT_STREQ(out, "Creation of C:\\X failed. (3)");
    EXPECT_EQ(LoadFormattedMessage(10099, out, sizeof out, "C:\\X"), 0);
    EXPECT_STREQ(out, "10099 DEBUG - Unable to load string");
}

class Log : public Messages {
protected:
    void SetUp() override
    {
        Messages::SetUp();
        dir = FreshTestDir();
        GetCurrentDirectoryA(sizeof saved, saved);
        SetCurrentDirectoryA(dir.c_str());
        installer.logEnabled = 1;
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(saved);
        installer.logEnabled = 0;
    }
    std::string dir;
    char saved[MAX_PATH];
};

TEST_F(Log, AppendsLinesWithCrLf)
{
    WriteLog("first");
    WriteLog("installing 10 files\n");
    WriteLog("Failed to create requested directory!\r\nC:\\X");
    EXPECT_EQ(ReadFileBytes(dir + "\\setup.log"),
              "first\r\ninstalling 10 files\r\n\r\nFailed to create requested directory!\r\r\nC:\\X\r\n");
}

TEST_F(Log, SecondRunAppendsAfterTheFirst)
{
    WriteFileBytes(dir + "\\setup.log", "earlier run\r\n");
    WriteLog("later run");
    EXPECT_EQ(ReadFileBytes(dir + "\\setup.log"), "earlier run\r\nlater run\r\n");
}

TEST_F(Log, OffWritesNothing)
{
    installer.logEnabled = 0;
    WriteLog("nothing");
    EXPECT_FALSE(FileExists(dir + "\\setup.log"));
}

TEST_F(Log, UnopenableLogSwitchesItselfOff)
{
    // A directory named setup.log cannot be opened as a file.
    ASSERT_TRUE(CreateDirectoryA((dir + "\\setup.log").c_str(), nullptr));
    WriteLog("lost");
    EXPECT_EQ(installer.logEnabled, 0);
    RemoveDirectoryA((dir + "\\setup.log").c_str());
    WriteLog("still off");  // stays off even though the file could now be opened
    EXPECT_FALSE(FileExists(dir + "\\setup.log"));
}

TEST_F(Messages, DefaultsOfAFreshRun)
{
    EXPECT_EQ(LoadInstallDefaults(installer.instance, nullptr, "ignored.inf"), 10);
    EXPECT_STREQ(installer.groupName, "Marvane");
    EXPECT_STREQ(installer.installTitle, "Marvane 2.6 Install");
    EXPECT_STREQ(installer.defaultDirWin4, "C:\\Marvane");
    EXPECT_STREQ(installer.defaultDirNT3, "C:\\Marvane");
    EXPECT_STREQ(installer.defaultDirOther, "C:\\Marvane");
    EXPECT_EQ(installer.installOptions, 1u);
    EXPECT_STREQ(installer.dataDirSetting, "");
}

}  // namespace
