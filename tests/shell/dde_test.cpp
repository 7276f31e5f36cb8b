// The DDE client against a recording server of our own, on a service name of its
// own: Wine's shell already answers "PROGMAN" and would race a second server.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "shell/progman.h"
#include "shell/shelltext.h"
#include "support/iconrows.h"
#include "support/winhelp.h"

namespace {

const char kTestService[] = "MVTESTPM";

// One server thread with its own DDE instance and message loop: a server on the
// client's thread would deadlock on the client's synchronous transactions.
struct RecordingServer {
    CRITICAL_SECTION lock;
    HANDLE thread = nullptr;
    DWORD threadId = 0;
    HANDLE ready = nullptr;
    DWORD instance = 0;
    HSZ service = nullptr;
    HSZ groups = nullptr;

    // Set before the client runs.
    std::string groupsReply;  // raw bytes of the "Groups" reply
    bool refuseRequests = false;
    bool refuseExecutes = false;
    DWORD executeDelayMs = 0;

    // Recorded.
    std::vector<std::string> commands;  // the execute data, bytes as received
    int connects = 0;
    int disconnects = 0;
    int requests = 0;
};

RecordingServer* server;

HDDEDATA CALLBACK ServerCallback(UINT type, UINT format, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA data, ULONG_PTR,
                                 ULONG_PTR)
{
    RecordingServer& s = *server;
    switch (type) {
    case XTYP_CONNECT:  // hsz1 topic, hsz2 service
        return reinterpret_cast<HDDEDATA>(static_cast<UINT_PTR>(DdeCmpStringHandles(hsz1, s.service) == 0));
    case XTYP_CONNECT_CONFIRM:
        EnterCriticalSection(&s.lock);
        ++s.connects;
        LeaveCriticalSection(&s.lock);
        return nullptr;
    case XTYP_DISCONNECT:
        EnterCriticalSection(&s.lock);
        ++s.disconnects;
        LeaveCriticalSection(&s.lock);
        return nullptr;
    case XTYP_EXECUTE: {
        if (s.executeDelayMs)
            Sleep(s.executeDelayMs);
        DWORD size = DdeGetData(data, nullptr, 0, 0);
        std::string bytes(size, '\0');
        if (size)
            DdeGetData(data, reinterpret_cast<LPBYTE>(&bytes[0]), size, 0);
        EnterCriticalSection(&s.lock);
        s.commands.push_back(bytes);
        LeaveCriticalSection(&s.lock);
        return reinterpret_cast<HDDEDATA>(static_cast<UINT_PTR>(s.refuseExecutes ? DDE_FNOTPROCESSED : DDE_FACK));
    }
    case XTYP_REQUEST:
        ++s.requests;
        if (s.refuseRequests || format != CF_TEXT || DdeCmpStringHandles(hsz2, s.groups) != 0)
            return nullptr;
        return DdeCreateDataHandle(s.instance,
                                   reinterpret_cast<LPBYTE>(const_cast<char*>(s.groupsReply.data())),
                                   static_cast<DWORD>(s.groupsReply.size()), 0, hsz2, CF_TEXT, 0);
    default:
        return nullptr;
    }
}

DWORD WINAPI ServerThread(LPVOID)
{
    RecordingServer& s = *server;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before anyone posts
    if (DdeInitializeA(&s.instance, ServerCallback,
                       APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_POKES | CBF_SKIP_REGISTRATIONS |
                           CBF_SKIP_UNREGISTRATIONS,
                       0) != DMLERR_NO_ERROR) {
        SetEvent(s.ready);
        return 1;
    }
    s.service = DdeCreateStringHandleA(s.instance, kTestService, CP_WINANSI);
    s.groups = DdeCreateStringHandleA(s.instance, "Groups", CP_WINANSI);
    DdeNameService(s.instance, s.service, nullptr, DNS_REGISTER);
    SetEvent(s.ready);
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DdeNameService(s.instance, nullptr, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(s.instance, s.service);
    DdeFreeStringHandle(s.instance, s.groups);
    DdeUninitialize(s.instance);
    return 0;
}

bool InstanceIsAlive(DWORD instance)
{
    HSZ probe = DdeCreateStringHandleA(instance, "probe", CP_WINANSI);
    if (!probe)
        return false;
    DdeFreeStringHandle(instance, probe);
    return true;
}

// Visible top-level windows of this process: a DDE failure must show nothing.
BOOL CALLBACK CountOwnVisible(HWND window, LPARAM lParam)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(window))
        ++*reinterpret_cast<int*>(lParam);
    return TRUE;
}

int OwnVisibleWindows()
{
    int n = 0;
    EnumWindows(CountOwnVisible, reinterpret_cast<LPARAM>(&n));
    return n;
}

class Dde : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = &srv;
        InitializeCriticalSection(&srv.lock);
        srv.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        srv.thread = CreateThread(nullptr, 0, ServerThread, nullptr, 0, &srv.threadId);
        ASSERT_EQ(WaitForSingleObject(srv.ready, 10000), WAIT_OBJECT_0);
        ASSERT_NE(srv.service, nullptr);
        ProgmanUseServiceForTesting(kTestService);

        owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPED, 0, 0, 300, 300, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        combo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, 0, 0, 200, 200, owner,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    }

    void TearDown() override
    {
        ProgmanClose();
        ProgmanUseServiceForTesting(nullptr);
        DestroyWindow(owner);
        PostThreadMessageA(srv.threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(srv.thread, 10000);
        CloseHandle(srv.thread);
        CloseHandle(srv.ready);
        DeleteCriticalSection(&srv.lock);
        server = nullptr;
    }

    // A counter of the server, read under its lock.
    int Count(const int& counter)
    {
        EnterCriticalSection(&srv.lock);
        int n = counter;
        LeaveCriticalSection(&srv.lock);
        return n;
    }

    // The commands as text; each must have arrived with exactly one terminating NUL.
    std::vector<std::string> Commands()
    {
        std::vector<std::string> out;
        EnterCriticalSection(&srv.lock);
        for (const std::string& raw : srv.commands) {
            EXPECT_TRUE(!raw.empty() && raw.back() == '\0' && raw.find('\0') == raw.size() - 1)
                << "bytes: " << raw.size();
            out.push_back(raw.c_str());
        }
        LeaveCriticalSection(&srv.lock);
        return out;
    }

    std::vector<std::string> ComboItems() { return ItemTexts(combo); }

    RecordingServer srv;
    HWND owner = nullptr;
    HWND combo = nullptr;
};

TEST_F(Dde, InstallSendsTheWorkedExampleOneConversationEach)
{
    ASSERT_TRUE(ProgmanCreateGroup("Marvane"));
    EXPECT_NE(ddeReady, 0);
    const DWORD instance = ddeInstance;
    for (const PayloadFile* row : IconRows()) {
        const size_t before = Commands().size();
        ProgmanReplaceItem(row->iconTitle, "C:\\Marvane", row->destName,
                           (std::string("C:\\Marvane\\") + row->destName).c_str());
        // Both of an item's commands have arrived when the call returns.
        EXPECT_EQ(Commands().size(), before + 2) << row->iconTitle;
    }
    ProgmanClose();
    EXPECT_EQ(ddeReady, 0);
    EXPECT_FALSE(InstanceIsAlive(instance));

    const std::vector<std::string> expected = {
        "[CreateGroup(Marvane)]",
        "[DeleteItem(\"Marvane\")]",
        "[AddItem(\"C:\\Marvane\\Marvane.exe\",\"Marvane\",,,,,C:\\Marvane)]",
        "[DeleteItem(\"Marvane Help File\")]",
        "[AddItem(\"C:\\Marvane\\Marvane.hlp\",\"Marvane Help File\",,,,,C:\\Marvane)]",
        "[DeleteItem(\"Marvane Release Notes\")]",
        "[AddItem(\"C:\\Marvane\\Release.txt\",\"Marvane Release Notes\",,,,,C:\\Marvane)]",
        "[DeleteItem(\"Uninstall Marvane\")]",
        "[AddItem(\"C:\\Marvane\\remove.exe\",\"Uninstall Marvane\",,,,,C:\\Marvane)]",
    };
    EXPECT_EQ(Commands(), expected);
    // The server hears of a disconnect through a posted message, in its own time.
    EXPECT_TRUE(WaitUntil([&] { return Count(srv.disconnects) >= 9; }, 10000));
    EXPECT_EQ(Count(srv.connects), 9);
    EXPECT_EQ(Count(srv.disconnects), 9);
}

TEST_F(Dde, RemovalActivatesTheGroupDeletesItemsThenTheProductGroup)
{
    const struct {
        const char* group;
        bool groupDeleted;
    } cases[] = {{"Marvane", true}, {"MARVANE", true}, {"marvane", true}, {"Marvane Tools", false},
                 {"Other Apps", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.group);
        EnterCriticalSection(&srv.lock);
        srv.commands.clear();
        LeaveCriticalSection(&srv.lock);
        ASSERT_TRUE(ProgmanCreateGroup(c.group));
        const DWORD instance = ddeInstance;
        for (const PayloadFile* row : IconRows())
            ProgmanDeleteItem(row->iconTitle, (std::string("C:\\Marvane\\") + row->destName).c_str());
        ProgmanDeleteGroup(c.group);
        // The shared instance is closed either way.
        EXPECT_EQ(ddeReady, 0);
        EXPECT_FALSE(InstanceIsAlive(instance));

        std::vector<std::string> expected = {
            std::string("[CreateGroup(") + c.group + ")]",
            "[DeleteItem(\"Marvane\")]",
            "[DeleteItem(\"Marvane Help File\")]",
            "[DeleteItem(\"Marvane Release Notes\")]",
            "[DeleteItem(\"Uninstall Marvane\")]",
        };
        if (c.groupDeleted)
            expected.push_back(std::string("[DeleteGroup(") + c.group + ")]");
        EXPECT_EQ(Commands(), expected);
        // Commands after the close are dropped, and the client stays closed.
        ProgmanDeleteItem("Marvane", "C:\\Marvane\\Marvane.exe");
        EXPECT_FALSE(ProgmanExecute("[DeleteItem(\"Marvane\")]"));
        EXPECT_EQ(Commands().size(), expected.size());
        EXPECT_EQ(ddeReady, 0);
    }
}

TEST_F(Dde, OpeningAgainClosesTheInstanceStillOpen)
{
    ASSERT_TRUE(ProgmanOpen());
    const DWORD first = ddeInstance;
    ASSERT_TRUE(ProgmanCreateGroup("Marvane"));
    EXPECT_FALSE(InstanceIsAlive(first));
    EXPECT_TRUE(InstanceIsAlive(ddeInstance));
    EXPECT_TRUE(ProgmanExecute("[CreateGroup(Second)]"));
    ProgmanClose();
    const std::vector<std::string> expected = {"[CreateGroup(Marvane)]", "[CreateGroup(Second)]"};
    EXPECT_EQ(Commands(), expected);
}

TEST_F(Dde, ItemNamesAndWorkingDirectoryFallBack)
{
    const std::string cwd = FreshDir("dde cwd");
    ASSERT_TRUE(SetCurrentDirectoryA(cwd.c_str()));
    ASSERT_TRUE(ProgmanOpen());
    ProgmanReplaceItem("", "C:\\Data", "Marvane.exe", "C:\\Marvane\\Marvane.exe");
    ProgmanReplaceItem(nullptr, "", "Release.txt", "C:\\Marvane\\Release.txt");
    ProgmanReplaceItem("Help", nullptr, "Marvane.hlp", "C:\\Marvane\\Marvane.hlp");
    ProgmanDeleteItem("", "remove.exe");
    ProgmanDeleteItem(nullptr, "x.txt");
    ProgmanClose();
    SetCurrentDirectoryA("C:\\");

    const std::vector<std::string> expected = {
        "[DeleteItem(\"Marvane.exe\")]",
        "[AddItem(\"C:\\Marvane\\Marvane.exe\",\"Marvane.exe\",,,,,C:\\Data)]",
        "[DeleteItem(\"Release.txt\")]",
        "[AddItem(\"C:\\Marvane\\Release.txt\",\"Release.txt\",,,,," + cwd + ")]",
        "[DeleteItem(\"Help\")]",
        "[AddItem(\"C:\\Marvane\\Marvane.hlp\",\"Help\",,,,," + cwd + ")]",
        "[DeleteItem(\"remove.exe\")]",
        "[DeleteItem(\"x.txt\")]",
    };
    EXPECT_EQ(Commands(), expected);
}

TEST_F(Dde, QuotesCommasAndParenthesesAreSentUnchanged)
{
    const char* group = "Tools \"A\", (B)";
    const char* title = "He said \"hi\", (twice)";
    ASSERT_TRUE(ProgmanCreateGroup(group));
    ProgmanReplaceItem(title, "C:\\My (Dir), \"x\"", "a.exe", "C:\\My (Dir), \"x\"\\a.exe");
    ProgmanDeleteItem(title, "a.exe");
    ProgmanClose();
    const std::vector<std::string> expected = {
        "[CreateGroup(Tools \"A\", (B))]",
        "[DeleteItem(\"He said \"hi\", (twice)\")]",
        "[AddItem(\"C:\\My (Dir), \"x\"\\a.exe\",\"He said \"hi\", (twice)\",,,,,C:\\My (Dir), \"x\")]",
        "[DeleteItem(\"He said \"hi\", (twice)\")]",
    };
    EXPECT_EQ(Commands(), expected);
}

TEST_F(Dde, LongestArgumentsArriveWhole)
{
    const std::string path = "C:\\" + std::string(SHELL_ARG_CHARS - 4, 'p');
    const std::string title(SHELL_ARG_CHARS - 1, 't');
    const std::string dir = "D:\\" + std::string(SHELL_ARG_CHARS - 4, 'd');
    ASSERT_TRUE(ProgmanCreateGroup(title.c_str()));
    ProgmanReplaceItem(title.c_str(), dir.c_str(), "f", path.c_str());
    // Longer than any name can be: not sent rather than sent cut.
    const std::string tooLong(DDE_COMMAND_CHARS, 'x');
    ProgmanDeleteItem(tooLong.c_str(), "f");
    ProgmanDeleteGroup(title.c_str());
    const std::vector<std::string> expected = {
        "[CreateGroup(" + title + ")]",
        "[DeleteItem(\"" + title + "\")]",
        "[AddItem(\"" + path + "\",\"" + title + "\",,,,," + dir + ")]",
    };
    EXPECT_EQ(Commands(), expected);
}

TEST_F(Dde, ExecuteReportsTheServersAnswer)
{
    EXPECT_FALSE(ProgmanExecute("[CreateGroup(Closed)]"));  // nothing open yet: dropped
    ASSERT_TRUE(ProgmanOpen());
    EXPECT_TRUE(ProgmanExecute("[CreateGroup(Accepted)]"));
    srv.refuseExecutes = true;
    EXPECT_FALSE(ProgmanExecute("[CreateGroup(Refused)]"));
    // A refused command closes nothing: the item's second command still goes, and so
    // do the next calls' (the list at the end shows each of them arrived).
    ProgmanReplaceItem("T", "C:\\", "t.exe", "C:\\t.exe");
    EXPECT_EQ(Commands().size(), 4u);
    ProgmanDeleteItem("T", "t.exe");
    EXPECT_EQ(ddeReady, 1);
    // Opening again after refusals: a fresh, live instance.
    const DWORD beforeAgain = ddeInstance;
    ASSERT_TRUE(ProgmanCreateGroup("Again"));
    EXPECT_FALSE(InstanceIsAlive(beforeAgain));
    EXPECT_TRUE(InstanceIsAlive(ddeInstance));
    srv.refuseExecutes = false;

    // The time-out lies between the two delays: a slow answer within it counts,
    // a later one does not (the disconnect still waits for the server).
    srv.executeDelayMs = 700;
    EXPECT_TRUE(ProgmanExecute("[CreateGroup(Slow)]"));
    srv.executeDelayMs = 1600;
    EXPECT_FALSE(ProgmanExecute("[CreateGroup(Too slow)]"));
    srv.executeDelayMs = 0;
    EXPECT_TRUE(ProgmanExecute("[CreateGroup(After)]"));
    ProgmanClose();

    const std::vector<std::string> expected = {
        "[CreateGroup(Accepted)]", "[CreateGroup(Refused)]", "[DeleteItem(\"T\")]",
        "[AddItem(\"C:\\t.exe\",\"T\",,,,,C:\\)]", "[DeleteItem(\"T\")]", "[CreateGroup(Again)]",
        "[CreateGroup(Slow)]", "[CreateGroup(Too slow)]", "[CreateGroup(After)]",
    };
    EXPECT_EQ(Commands(), expected);
}

struct GroupsCase {
    std::string reply;  // as the server sends it, terminating NUL included
    std::vector<std::string> names;
};

TEST_F(Dde, GroupsReplyGivesTheNonEmptyNamesInOrder)
{
    const GroupsCase cases[] = {
        {std::string("Main\r\nAccessories\r\nStartUp\r\n", 29), {"Main", "Accessories", "StartUp"}},
        {std::string("Zeta\nAlpha\nMid dle\n", 20), {"Zeta", "Alpha", "Mid dle"}},
        {std::string("\r\n\r\nGames\r\n\r\n\n\nTools, (x) \"y\"\r\n\r\n", 35), {"Games", "Tools, (x) \"y\""}},
        {std::string("Last\r\nNo end", 13), {"Last", "No end"}},
        {std::string("\r\n\r\n", 5), {}},
        {std::string("", 1), {}},
    };
    for (const GroupsCase& c : cases) {
        SCOPED_TRACE(c.reply.c_str());
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        srv.groupsReply = c.reply;
        const char* result = ProgmanListGroups(combo);
        EXPECT_NE(result, nullptr);
        EXPECT_EQ(ComboItems(), c.names);
        EXPECT_EQ(ddeReady, 0);
    }
}

TEST_F(Dde, OversizeGroupsReplyIsCutAtAWholeName)
{
    std::string reply;
    std::vector<std::string> names;
    for (int i = 0; i < 1500; ++i) {
        char name[32];
        wsprintfA(name, "Group number %04d", i);
        names.push_back(name);
        reply += std::string(name) + "\r\n";
    }
    ASSERT_GT(reply.size(), static_cast<size_t>(GROUP_LIST_CHARS));
    // Names whose text ends before the buffer's last byte arrive; the rest do not.
    std::vector<std::string> fit;
    size_t offset = 0;
    for (const std::string& n : names) {
        if (offset + n.size() > GROUP_LIST_CHARS - 1)
            break;
        fit.push_back(n);
        offset += n.size() + 2;
    }
    ASSERT_FALSE(fit.empty());
    srv.groupsReply = reply + std::string(1, '\0');
    EXPECT_NE(ProgmanListGroups(combo), nullptr);
    EXPECT_EQ(ComboItems(), fit);

    // One name longer than the whole buffer: an empty list, nothing cut.
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    srv.groupsReply = std::string(GROUP_LIST_CHARS + 100, 'n') + "\r\nshort\r\n" + std::string(1, '\0');
    EXPECT_NE(ProgmanListGroups(combo), nullptr);
    EXPECT_TRUE(ComboItems().empty());
}

TEST_F(Dde, RefusedGroupsRequestGivesAnEmptyList)
{
    srv.refuseRequests = true;
    srv.groupsReply = std::string("Main\r\n", 7);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("already there"));
    const char* result = ProgmanListGroups(combo);
    ASSERT_NE(result, nullptr);
    EXPECT_STREQ(result, "");
    EXPECT_EQ(ComboItems(), std::vector<std::string>{"already there"});
    EXPECT_EQ(srv.requests, 1);
    EXPECT_EQ(ddeReady, 0);
}

TEST_F(Dde, WithoutAServerEverythingReturnsAndNothingShows)
{
    ProgmanUseServiceForTesting("MVNOBODY");
    const int visibleBefore = OwnVisibleWindows();
    DWORD start = GetTickCount();

    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("typed before"));
    EXPECT_EQ(ProgmanListGroups(combo), nullptr);
    EXPECT_EQ(ComboItems(), std::vector<std::string>{"typed before"});
    EXPECT_EQ(ddeReady, 0);

    // The client itself opens and closes without a server; each command is dropped.
    ASSERT_TRUE(ProgmanOpen());
    DWORD instance = ddeInstance;
    EXPECT_FALSE(ProgmanExecute("[CreateGroup(Marvane)]"));
    ProgmanClose();
    EXPECT_EQ(ddeReady, 0);
    EXPECT_FALSE(InstanceIsAlive(instance));
    ASSERT_TRUE(ProgmanCreateGroup("Marvane"));
    instance = ddeInstance;
    EXPECT_TRUE(InstanceIsAlive(instance));
    ProgmanReplaceItem("Marvane", "C:\\Marvane", "Marvane.exe", "C:\\Marvane\\Marvane.exe");
    ProgmanDeleteItem("Marvane", "C:\\Marvane\\Marvane.exe");
    EXPECT_EQ(ddeReady, 1);  // a command that finds no server leaves the client open
    ProgmanDeleteGroup("Marvane");
    EXPECT_EQ(ddeReady, 0);
    EXPECT_FALSE(InstanceIsAlive(instance));
    ProgmanClose();  // already closed: nothing to do, and nothing is reopened
    EXPECT_EQ(ddeReady, 0);
    EXPECT_FALSE(ProgmanExecute("[CreateGroup(Marvane)]"));

    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_EQ(OwnVisibleWindows(), visibleBefore);
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(Count(srv.connects), 0);
    SaveScreenshot("shell_dde_no_server");
}

}  // namespace
