#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "shell/shelltext.h"

namespace {

using Compose = bool (*)(char*, size_t);

// Composed into a buffer of N characters, the text is exactly `expected`.
template <size_t N, typename F>
void ExpectComposed(F compose, const char* expected)
{
    char buf[N];
    EXPECT_TRUE(compose(buf, N)) << expected;
    EXPECT_STREQ(buf, expected);
}

// A text that would not fit is never left cut: for every capacity up to the one it
// needs, the call gives false and an empty text (or the whole text at exactly that
// capacity) and writes nothing past the capacity.
template <typename F>
void ExpectWholeOrNothing(F compose, const char* whole)
{
    const size_t need = std::strlen(whole) + 1;
    for (size_t cap = 0; cap <= need; ++cap) {
        char buf[96];
        std::memset(buf, '#', sizeof buf);
        const bool ok = compose(buf, cap);
        EXPECT_EQ(ok, cap == need) << cap;
        if (cap > 0) {
            EXPECT_STREQ(buf, ok ? whole : "") << cap;
        }
        for (size_t i = cap; i < sizeof buf; ++i)
            ASSERT_EQ(buf[i], '#') << "written past capacity " << cap;
    }
}

using ComposeOne = bool (*)(char*, size_t, const char*);

struct CommandCase {
    ComposeOne compose;
    const char* argument;
    const char* expected;
};

// Arguments go in unchanged: no escaping, quotes only where the command has them.
const CommandCase kCommands[] = {
    {ComposeCreateGroup, "Marvane", "[CreateGroup(Marvane)]"},
    {ComposeCreateGroup, "My \"Best\", (Tools)", "[CreateGroup(My \"Best\", (Tools))]"},
    {ComposeCreateGroup, "", "[CreateGroup()]"},
    {ComposeCreateGroup, nullptr, "[CreateGroup()]"},
    {ComposeDeleteGroup, "Marvane", "[DeleteGroup(Marvane)]"},
    {ComposeDeleteGroup, "a)b,c\"", "[DeleteGroup(a)b,c\")]"},
    {ComposeDeleteItem, "Marvane Help File", "[DeleteItem(\"Marvane Help File\")]"},
    {ComposeDeleteItem, "Say \"hi\", (now)", "[DeleteItem(\"Say \"hi\", (now)\")]"},
    {ComposeDeleteItem, "100%s %d", "[DeleteItem(\"100%s %d\")]"},
};

TEST(ShellText, CommandsCarryTheirArgumentsUnchanged)
{
    for (const CommandCase& c : kCommands)
        ExpectComposed<DDE_COMMAND_CHARS>([&](char* d, size_t n) { return c.compose(d, n, c.argument); }, c.expected);
}

// The three arguments of a command or a registry line, and the text they make.
struct ThreeArgCase {
    const char* first;
    const char* second;
    const char* third;
    const char* expected;
};

// Command line, item title, working directory.
const ThreeArgCase kAddItems[] = {
    {"C:\\Marvane\\Marvane.exe", "Marvane", "C:\\Marvane",
     "[AddItem(\"C:\\Marvane\\Marvane.exe\",\"Marvane\",,,,,C:\\Marvane)]"},
    {"C:\\Program Files\\M\\remove.exe", "Uninstall, \"M\" (1)", "D:\\My Data",
     "[AddItem(\"C:\\Program Files\\M\\remove.exe\",\"Uninstall, \"M\" (1)\",,,,,D:\\My Data)]"},
    {"a", "", "", "[AddItem(\"a\",\"\",,,,,)]"},
    {nullptr, nullptr, nullptr, "[AddItem(\"\",\"\",,,,,)]"},
};

TEST(ShellText, AddItemHasFourEmptyFieldsAndAnUnquotedDirectory)
{
    for (const ThreeArgCase& c : kAddItems)
        ExpectComposed<DDE_COMMAND_CHARS>(
            [&](char* d, size_t n) { return ComposeAddItem(d, n, c.first, c.second, c.third); }, c.expected);
}

TEST(ShellText, LargestArgumentsFitWhole)
{
    const std::string path(SHELL_ARG_CHARS - 1, 'p');
    const std::string title(SHELL_ARG_CHARS - 1, 't');
    const std::string dir(SHELL_ARG_CHARS - 1, 'd');
    char buf[DDE_COMMAND_CHARS];
    ASSERT_TRUE(ComposeAddItem(buf, sizeof buf, path.c_str(), title.c_str(), dir.c_str()));
    EXPECT_EQ(std::string(buf), "[AddItem(\"" + path + "\",\"" + title + "\",,,,," + dir + ")]");
    ASSERT_TRUE(ComposeDeleteItem(buf, sizeof buf, title.c_str()));
    EXPECT_EQ(std::strlen(buf), title.size() + 16);

    char line[UNINSTALL_STRING_CHARS];
    const std::string spaced = std::string(SHELL_ARG_CHARS - 2, 'x') + " ";
    ASSERT_TRUE(ComposeUninstallString(line, sizeof line, spaced.c_str(), dir.c_str(), title.c_str()));
    EXPECT_EQ(std::string(line),
              "\"" + spaced + "\\remove.exe\" -f " + spaced + " -d " + dir + " -g " + title);
    ASSERT_TRUE(ComposeQuietUninstallString(line, sizeof line, spaced.c_str(), dir.c_str(), title.c_str()));
    EXPECT_EQ(std::string(line),
              "\"" + spaced + "\\remove.exe\" -q -f " + spaced + " -d " + dir + " -g " + title);
    ASSERT_TRUE(ComposeDisplayIcon(line, sizeof line, spaced.c_str()));
    EXPECT_EQ(std::string(line), spaced + "\\Marvane.exe,0");
}

// A command that would not fit is never left cut: empty text, false, no byte past cap.
TEST(ShellText, TooSmallBufferGivesEmptyTextAndFalse)
{
    ExpectWholeOrNothing([](char* d, size_t c) { return ComposeDeleteItem(d, c, "Marvane"); },
                         "[DeleteItem(\"Marvane\")]");
    char untouched = '#';
    EXPECT_FALSE(ComposeCreateGroup(&untouched, 0, "x"));
    EXPECT_EQ(untouched, '#');

    const std::string tooLong(DDE_COMMAND_CHARS, 'x');
    char buf[DDE_COMMAND_CHARS];
    EXPECT_FALSE(ComposeAddItem(buf, sizeof buf, tooLong.c_str(), "t", "d"));
    EXPECT_STREQ(buf, "");
    const std::string longer(UNINSTALL_STRING_CHARS, 'x');
    char line[UNINSTALL_STRING_CHARS];
    EXPECT_FALSE(ComposeUninstallString(line, sizeof line, "C:\\M", longer.c_str(), "g"));
    EXPECT_STREQ(line, "");
}

// The registry's lines follow the same rule: one that does not fit is not cut,
// it is left out (false, empty text, nothing written past the capacity).
TEST(ShellText, RegistryLinesNeverCut)
{
    const struct {
        const char* name;
        Compose compose;
        const char* whole;
    } cases[] = {
        {"quiet", [](char* d, size_t c) { return ComposeQuietUninstallString(d, c, "C:\\M", "C:\\D", "G"); },
         "C:\\M\\remove.exe -q -f C:\\M -d C:\\D -g G"},
        {"quiet, quoted", [](char* d, size_t c) { return ComposeQuietUninstallString(d, c, "C:\\M N", "D", "G"); },
         "\"C:\\M N\\remove.exe\" -q -f C:\\M N -d D -g G"},
        {"icon", [](char* d, size_t c) { return ComposeDisplayIcon(d, c, "C:\\M"); }, "C:\\M\\Marvane.exe,0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectWholeOrNothing(c.compose, c.whole);
    }
}

// Program directory, data directory, group. Only the remover's own path is quoted,
// and only when it holds a blank.
const ThreeArgCase kUninstall[] = {
    {"C:\\Marvane", "C:\\Marvane", "Marvane", "C:\\Marvane\\remove.exe -f C:\\Marvane -d C:\\Marvane -g Marvane"},
    {"C:\\Program Files\\Marvane", "C:\\Program Files\\Marvane", "Marvane",
     "\"C:\\Program Files\\Marvane\\remove.exe\" -f C:\\Program Files\\Marvane -d C:\\Program Files\\Marvane "
     "-g Marvane"},
    {"C:\\Marvane", "D:\\My Data", "Marvane Tools",
     "C:\\Marvane\\remove.exe -f C:\\Marvane -d D:\\My Data -g Marvane Tools"},
    {"C:\\A\tB", "C:\\D", "G", "\"C:\\A\tB\\remove.exe\" -f C:\\A\tB -d C:\\D -g G"},
    {"D:", "D:\\data", "", "D:\\remove.exe -f D: -d D:\\data -g "},
};

TEST(ShellText, UninstallStringTable)
{
    for (const ThreeArgCase& c : kUninstall)
        ExpectComposed<UNINSTALL_STRING_CHARS>(
            [&](char* d, size_t n) { return ComposeUninstallString(d, n, c.first, c.second, c.third); },
            c.expected);
}

// The quiet line is the same line with the remover's own switch before -f, where
// the remover reads it: the same quoting, whatever follows.
const ThreeArgCase kQuietUninstall[] = {
    {"C:\\Marvane", "C:\\Marvane", "Marvane", "C:\\Marvane\\remove.exe -q -f C:\\Marvane -d C:\\Marvane -g Marvane"},
    {"C:\\Program Files\\Marvane", "D:\\My Data", "Marvane Tools",
     "\"C:\\Program Files\\Marvane\\remove.exe\" -q -f C:\\Program Files\\Marvane -d D:\\My Data -g Marvane Tools"},
    {"C:\\A\tB", "C:\\D", "G", "\"C:\\A\tB\\remove.exe\" -q -f C:\\A\tB -d C:\\D -g G"},
    {"D:", "D:\\data", "", "D:\\remove.exe -q -f D: -d D:\\data -g "},
    {nullptr, nullptr, nullptr, "\\remove.exe -q -f  -d  -g "},
};

TEST(ShellText, QuietUninstallStringTable)
{
    for (const ThreeArgCase& c : kQuietUninstall)
        ExpectComposed<UNINSTALL_STRING_CHARS>(
            [&](char* d, size_t n) { return ComposeQuietUninstallString(d, n, c.first, c.second, c.third); },
            c.expected);
    // Beside the plain line: exactly " -q" more, right after the remover's path.
    for (const ThreeArgCase& c : kUninstall) {
        char plain[UNINSTALL_STRING_CHARS], quiet[UNINSTALL_STRING_CHARS];
        ASSERT_TRUE(ComposeUninstallString(plain, sizeof plain, c.first, c.second, c.third));
        ASSERT_TRUE(ComposeQuietUninstallString(quiet, sizeof quiet, c.first, c.second, c.third));
        std::string expected = plain;
        expected.insert(expected.find(" -f "), " -q");
        EXPECT_EQ(std::string(quiet), expected);
    }
}

TEST(ShellText, DisplayIconIsTheProgramsFirstIcon)
{
    const struct {
        const char* programDir;
        const char* expected;
    } cases[] = {
        {"C:\\Marvane", "C:\\Marvane\\Marvane.exe,0"},
        {"C:\\Program Files\\Marvane Plus", "C:\\Program Files\\Marvane Plus\\Marvane.exe,0"},  // never quoted
        {"\\\\server\\share\\M", "\\\\server\\share\\M\\Marvane.exe,0"},
        {"", "\\Marvane.exe,0"},
        {nullptr, "\\Marvane.exe,0"},
    };
    for (const auto& c : cases)
        ExpectComposed<UNINSTALL_STRING_CHARS>(
            [&](char* d, size_t n) { return ComposeDisplayIcon(d, n, c.programDir); }, c.expected);
}

TEST(ShellText, ProductGroupIgnoresCaseOnly)
{
    const struct {
        const char* name;
        bool product;
    } cases[] = {
        {"Marvane", true},   {"MARVANE", true},   {"marVANE", true},  {"Marvane ", false}, {" Marvane", false},
        {"Marvan", false},   {"Marvanes", false}, {"", false},        {nullptr, false},    {"Marvane Plus", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsProductGroup(c.name), c.product) << (c.name ? c.name : "(null)");
}

std::vector<std::string> SplitAll(std::string text)
{
    std::vector<char> buf(text.begin(), text.end());
    buf.push_back('\0');
    std::vector<std::string> names;
    char* cursor = buf.data();
    for (char* name = NextGroupName(&cursor); name; name = NextGroupName(&cursor))
        names.push_back(name);
    return names;
}

struct SplitCase {
    const char* reply;
    std::vector<std::string> names;
};

TEST(ShellText, GroupReplySplitsIntoNonEmptyNamesInOrder)
{
    const SplitCase cases[] = {
        {"Main\r\nAccessories\r\nStartUp\r\n", {"Main", "Accessories", "StartUp"}},
        {"Main\nAccessories\nGames", {"Main", "Accessories", "Games"}},
        {"\r\n\r\nMain\r\r\n\n\nGames\n\r", {"Main", "Games"}},
        {"Zeta\r\nAlpha", {"Zeta", "Alpha"}},
        {"  spaced name \r\n", {"  spaced name "}},
        {"", {}},
        {"\r\n\n\r", {}},
        {"one", {"one"}},
    };
    for (const SplitCase& c : cases)
        EXPECT_EQ(SplitAll(c.reply), c.names) << c.reply;
    char* nothing = nullptr;
    EXPECT_EQ(NextGroupName(&nothing), nullptr);
}

struct FitCase {
    std::string reply;
    size_t cap;
    std::string kept;
};

TEST(ShellText, OversizeReplyIsCutAtALineBoundary)
{
    const FitCase cases[] = {
        {std::string("Ab\r\nCd\r\n", 9), 16, "Ab\r\nCd\r\n"},  // the NUL that ends CF_TEXT
        {"Ab\r\nCd\r\nEf\r\n", 13, "Ab\r\nCd\r\nEf\r\n"},
        {"Ab\r\nCd\r\nEf\r\n", 12, "Ab\r\nCd\r\nEf\r"},  // cut inside CR LF: still whole names
        {"Ab\r\nCd\r\nEf\r\n", 11, "Ab\r\nCd\r\nEf"},
        {"Ab\r\nCd\r\nEf\r\n", 10, "Ab\r\nCd\r"},      // "Ef" would not fit whole
        {"Ab\r\nCd\r\nEf\r\n", 9, "Ab\r\nCd\r"},
        {"Ab\r\nCd\r\nEf\r\n", 7, "Ab\r\nCd"},
        {"Ab\r\nCd\r\nEf\r\n", 4, "Ab\r"},
        {"Ab\r\nCd\r\nEf\r\n", 3, "Ab"},
        {"Ab\r\nCd\r\nEf\r\n", 2, ""},
        {"Ab\nCd", 5, "Ab"},
        {"Ab\nCd", 6, "Ab\nCd"},
        {"Abcdefgh", 4, ""},  // a first name longer than the buffer leaves nothing
        {std::string("Ab\0Cd\r\n", 7), 64, "Ab"},  // the text ends at its first NUL
        {"", 1, ""},
    };
    for (const FitCase& c : cases) {
        std::vector<char> buf(c.cap + 8, '#');
        size_t n = FitGroupList(buf.data(), c.cap, c.reply.data(), c.reply.size());
        EXPECT_EQ(n, c.kept.size()) << c.cap;
        EXPECT_EQ(std::string(buf.data()), c.kept) << c.cap;
        for (size_t i = c.cap; i < buf.size(); ++i)
            ASSERT_EQ(buf[i], '#') << "written past capacity " << c.cap;
    }
    char untouched = '#';
    EXPECT_EQ(FitGroupList(&untouched, 0, "abc", 3), 0u);
    EXPECT_EQ(untouched, '#');
}

// The reply size counts only what the server sent: no byte past it is read.
TEST(ShellText, ReplyWithoutNulStopsAtItsSize)
{
    const char reply[] = {'A', 'b', '\n', 'C', 'd', 'X', 'X'};
    char buf[32];
    EXPECT_EQ(FitGroupList(buf, sizeof buf, reply, 5), 5u);
    EXPECT_STREQ(buf, "Ab\nCd");
}

}  // namespace
