#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "payload/filetable.h"
#include "shell/record.h"
#include "support/installed.h"
#include "support/winhelp.h"

namespace {

const char kWinIni[] = "C:\\windows\\win.ini";

// Runs first: the prefix is fresh.
TEST(Record, FreshSystemHasNothingRecorded)
{
    const struct {
        const char* key;
        const char* defaultText;
        int length;
        const char* text;
    } cases[] = {
        {"DIR", "", 0, ""},
        {"DIR", "C:\\Marvane", 10, "C:\\Marvane"},
        {"DEFDIR", "C:\\Marvane", 10, "C:\\Marvane"},
        {"GROUP", "Marvane", 7, "Marvane"},
        {"INSTOPTS", "", 0, ""},
    };
    for (const auto& c : cases) {
        char buf[RECORD_VALUE_CHARS];
        std::memset(buf, 'x', sizeof buf);
        EXPECT_EQ(ReadInstallValue(c.key, c.defaultText, buf), c.length) << c.key;
        EXPECT_STREQ(buf, c.text) << c.key;
    }
    EXPECT_FALSE(SectionExists());
    EXPECT_FALSE(UninstallKeyExists());
}

// The remover's own path is quoted only when it holds a blank.
const struct {
    const char* programDir;
    const char* dataDir;
    const char* group;
    const char* uninstallString;
} kRecords[] = {
    {"C:\\Marvane", "C:\\Marvane", "Marvane", "C:\\Marvane\\remove.exe -f C:\\Marvane -d C:\\Marvane -g Marvane"},
    {"C:\\Program Files\\Marvane", "D:\\My Data", "Marvane Tools",
     "\"C:\\Program Files\\Marvane\\remove.exe\" -f C:\\Program Files\\Marvane -d D:\\My Data -g Marvane Tools"},
    {"C:\\Marvane", "D:\\My Data\\x y", "My Group",
     "C:\\Marvane\\remove.exe -f C:\\Marvane -d D:\\My Data\\x y -g My Group"},
    {"D:\\Apps\\M", "D:\\Data", "Marvane", "D:\\Apps\\M\\remove.exe -f D:\\Apps\\M -d D:\\Data -g Marvane"},
};

TEST(Record, WritesTheFourKeysAndTheUninstallValues)
{
    for (const auto& c : kRecords) {
        SCOPED_TRACE(c.uninstallString);
        WriteInstallRecord(c.programDir, c.dataDir, c.group);

        ExpectSection(c.programDir, c.dataDir, c.group);
        char buf[RECORD_VALUE_CHARS];
        EXPECT_EQ(ReadInstallValue("DIR", "", buf), static_cast<int>(std::strlen(c.programDir)));
        EXPECT_STREQ(buf, c.programDir);

        // The file itself, keys in the order written.
        const std::string block = std::string("[Marvane]\r\nDIR=") + c.programDir + "\r\nDEFDIR=" + c.dataDir +
                                  "\r\nGROUP=" + c.group + "\r\nINSTOPTS=1\r\n";
        EXPECT_NE(ReadFileBytes(kWinIni).find(block), std::string::npos) << ReadFileBytes(kWinIni);

        EXPECT_EQ(UninstallValue("UninstallString").bytes, WithNul(c.uninstallString));
        ExpectUninstallEntry(c.programDir, c.dataDir, c.group, 0);  // nothing was copied in this run
    }
}

DWORD EstimatedSize()
{
    RegValue v = UninstallValue("EstimatedSize");
    DWORD n = 0xDEADBEEF;
    if (v.present && v.type == REG_DWORD && v.bytes.size() == sizeof n)
        std::memcpy(&n, v.bytes.data(), sizeof n);
    return n;
}

// The installed size counts the files of this run's copied rows, in the program
// directory, summed and then rounded up to whole KiB.
TEST(Record, EstimatedSizeIsTheCopiedFilesInKiB)
{
    struct File {
        int row;       // index into the file table
        int bytes;     // -1: no file on disk
        bool copied;   // the row carries STATUS_COPIED
    };
    const struct {
        const char* name;
        const char* dirName;
        std::vector<File> files;
        DWORD kib;
    } cases[] = {
        {"nothing copied", "size0", {{0, 5000, false}}, 0},
        {"one byte", "size1", {{0, 1, true}}, 1},
        {"exactly one KiB", "size2", {{0, 1024, true}}, 1},
        {"one byte more", "size3", {{0, 1025, true}}, 2},
        {"summed before rounding", "size4", {{0, 500, true}, {3, 500, true}}, 1},
        {"copied row whose file is gone", "size5", {{0, 2048, true}, {4, -1, true}}, 2},
        {"file present but not copied here", "size6", {{0, 1024, true}, {5, 9000, false}}, 1},
        {"every row", "size 7 with blanks",
         {{0, 555520, true}, {1, 28672, true}, {2, 129525, true}, {3, 6857, true}, {4, 94208, true},
          {5, 118386, true}, {6, 59222, true}, {7, 29638, true}, {8, 11598, true}, {9, 11728, true}},
         (555520 + 28672 + 129525 + 6857 + 94208 + 118386 + 59222 + 29638 + 11598 + 11728 + 1023) / 1024},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = FreshDir(c.dirName);
        for (int i = 0; i < fileCount; ++i)
            fileTable[i].status = 0;
        for (const File& f : c.files) {
            if (f.bytes >= 0) {
                ASSERT_TRUE(WriteFileBytes(dir + "\\" + fileTable[f.row].destName, std::string(f.bytes, 'b')));
            }
            if (f.copied)
                fileTable[f.row].status = STATUS_COPIED | STATUS_EXTRACTED;
        }
        EXPECT_EQ(EstimateInstalledKiB(dir.c_str(), dir.c_str()), static_cast<unsigned long>(c.kib));
        WriteInstallRecord(dir.c_str(), dir.c_str(), "Marvane");
        EXPECT_EQ(EstimatedSize(), c.kib);
        EXPECT_EQ(UninstallValue("InstallLocation").bytes, WithNul(dir));
        // A directory given with its trailing backslash finds the same files.
        EXPECT_EQ(EstimateInstalledKiB((dir + "\\").c_str(), dir.c_str()), static_cast<unsigned long>(c.kib));
    }
    for (int i = 0; i < fileCount; ++i)
        fileTable[i].status = 0;
}

// The rows go where the install copies them (InstalledPath, tests/unit/paths_test.cpp):
// DIR_DATA into the data directory, every other selector (the web directory is the
// program directory) into the program directory.
TEST(Record, EstimatedSizeFollowsTheRowsDirectories)
{
    const std::string program = FreshDir("size-program"), data = FreshDir("size-data");
    PayloadFile saved[FILE_TABLE_ROWS];
    std::memcpy(saved, fileTable, sizeof saved);
    fileTable[1].destDir = DIR_DATA;
    fileTable[2].destDir = DIR_WEB;
    for (int row : {0, 1, 2})
        fileTable[row].status = STATUS_COPIED;
    WriteFileBytes(program + "\\" + fileTable[0].destName, std::string(1024, 'p'));
    WriteFileBytes(data + "\\" + fileTable[1].destName, std::string(2048, 'd'));
    WriteFileBytes(program + "\\" + fileTable[2].destName, std::string(4096, 'w'));
    WriteFileBytes(program + "\\" + fileTable[1].destName, std::string(65536, 'x'));  // not where row 1 goes
    EXPECT_EQ(EstimateInstalledKiB(program.c_str(), data.c_str()), 7ul);
    std::memcpy(fileTable, saved, sizeof saved);
}

TEST(Record, LongestValuesAreStoredWholeAndReadBackCut)
{
    const std::string programDir = "C:\\" + std::string(252, 'p');  // 255 characters
    const std::string dataDir = "C:\\" + std::string(252, 'd');
    const std::string group(255, 'g');
    WriteInstallRecord(programDir.c_str(), dataDir.c_str(), group.c_str());

    RegValue line = UninstallValue("UninstallString");
    EXPECT_EQ(line.bytes, WithNul(programDir + "\\remove.exe -f " + programDir + " -d " + dataDir + " -g " + group));
    EXPECT_EQ(UninstallValue("QuietUninstallString").bytes,
              WithNul(programDir + "\\remove.exe -q -f " + programDir + " -d " + dataDir + " -g " + group));
    EXPECT_EQ(UninstallValue("DisplayIcon").bytes, WithNul(programDir + "\\Marvane.exe,0"));

    char buf[RECORD_VALUE_CHARS + 64];
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(ReadInstallValue("GROUP", "", buf), 255);
    EXPECT_EQ(std::string(buf), group);

    // A longer value written by someone else: at most 255 characters, nothing past 256 bytes.
    const std::string tooLong(300, 'z');
    WriteProfileStringA("Marvane", "DIR", tooLong.c_str());
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(ReadInstallValue("DIR", "", buf), 255);
    EXPECT_EQ(std::string(buf), tooLong.substr(0, 255));
    for (size_t i = RECORD_VALUE_CHARS; i < sizeof buf; ++i)
        ASSERT_EQ(buf[i], '#') << i;

    // Present but empty yields nothing, whatever the default.
    WriteProfileStringA("Marvane", "DIR", "");
    EXPECT_EQ(ReadInstallValue("DIR", "C:\\Marvane", buf), 0);
    EXPECT_STREQ(buf, "");
}

TEST(Record, DeleteRemovesTheSectionAndKeepsTheUninstallKey)
{
    WriteInstallRecord("C:\\Marvane", "C:\\Marvane", "Marvane");
    WriteProfileStringA("Other", "Keep", "yes");
    ASSERT_TRUE(SectionExists());

    DeleteInstallRecord();
    EXPECT_FALSE(SectionExists());
    char buf[RECORD_VALUE_CHARS];
    EXPECT_EQ(ReadInstallValue("DIR", "", buf), 0);
    EXPECT_EQ(ReadFileBytes(kWinIni).find("[Marvane]"), std::string::npos);
    EXPECT_EQ(Profile("DIR"), "<absent>");
    char other[64];
    GetProfileStringA("Other", "Keep", "", other, sizeof other);
    EXPECT_STREQ(other, "yes");
    EXPECT_EQ(UninstallValue("UninstallString").bytes,
              WithNul("C:\\Marvane\\remove.exe -f C:\\Marvane -d C:\\Marvane -g Marvane"));

    DeleteUninstallKey();
    EXPECT_FALSE(UninstallKeyExists());
    DeleteUninstallKey();  // already gone: nothing happens
    EXPECT_FALSE(UninstallKeyExists());
}

// Installs a security descriptor on the uninstall key through a handle opened
// with full rights beforehand; that handle keeps its rights for the checks.
bool DenyKey(HKEY held, bool giveAwayOwner)
{
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID everyone = nullptr;
    PSID system = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system);
    alignas(DWORD) char aclBuffer[256];
    ACL* acl = reinterpret_cast<ACL*>(aclBuffer);
    InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
    AddAccessDeniedAce(acl, ACL_REVISION, KEY_ALL_ACCESS | GENERIC_ALL, everyone);
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION;
    if (giveAwayOwner) {
        // The owner's own rights would still open the key.
        SetSecurityDescriptorOwner(&sd, system, FALSE);
        what |= OWNER_SECURITY_INFORMATION;
    }
    LONG r = RegSetKeySecurity(held, what, &sd);
    FreeSid(everyone);
    FreeSid(system);
    return r == ERROR_SUCCESS;
}

void AllowKey(HKEY held)
{
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE);  // null DACL: everyone
    RegSetKeySecurity(held, DACL_SECURITY_INFORMATION, &sd);
}

TEST(Record, KeyWithoutRightsStillWritesTheProfile)
{
    const struct {
        bool giveAwayOwner;
        bool createFails;  // otherwise the key opens and its values are refused
    } cases[] = {{true, true}, {false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.giveAwayOwner ? "key cannot be opened" : "values cannot be set");
        DeleteInstallRecord();
        DeleteUninstallKey();
        HKEY held;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &held,
                                  nullptr),
                  ERROR_SUCCESS);
        ASSERT_TRUE(DenyKey(held, c.giveAwayOwner));
        HKEY probe;
        LONG created = RegCreateKeyA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, &probe);
        if (created == ERROR_SUCCESS)
            RegCloseKey(probe);
        EXPECT_EQ(created != ERROR_SUCCESS, c.createFails) << created;

        WriteInstallRecord("C:\\Program Files\\Marvane", "C:\\Data", "Marvane");
        ExpectSection("C:\\Program Files\\Marvane", "C:\\Data", "Marvane");
        EXPECT_FALSE(ReadValue(held, "DisplayName").present);
        EXPECT_FALSE(ReadValue(held, "UninstallString").present);
        for (const char* name : {"EstimatedSize", "QuietUninstallString", "DisplayIcon", "NoModify", "NoRepair"})
            EXPECT_FALSE(ReadValue(held, name).present) << name;

        AllowKey(held);
        RegCloseKey(held);
        DeleteUninstallKey();
        EXPECT_FALSE(UninstallKeyExists());
    }
}

}  // namespace
