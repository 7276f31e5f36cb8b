#include "shell/shelltext.h"

#include <cstdio>
#include <cstring>

namespace {

const char kProductWord[] = "Marvane";
const char kRemoverWord[] = "remove";

#define CREATE_GROUP_FORMAT "[CreateGroup(%s)]"
#define DELETE_GROUP_FORMAT "[DeleteGroup(%s)]"
#define DELETE_ITEM_FORMAT "[DeleteItem(\"%s\")]"
#define ADD_ITEM_FORMAT "[AddItem(\"%s\",\"%s\",,,,,%s)]"
#define UNINSTALL_FORMAT "%s\\%s.exe -f %s -d %s -g %s"
#define UNINSTALL_QUOTED_FORMAT "\"%s\\%s.exe\" -f %s -d %s -g %s"
#define UNINSTALL_ROOT_FORMAT "%s%s.exe -f %s -d %s -g %s"
#define UNINSTALL_QUOTED_ROOT_FORMAT "\"%s%s.exe\" -f %s -d %s -g %s"

// Fixed text of a format: its length less two characters per "%s".
constexpr size_t FixedChars(size_t formatSize, size_t inserts)
{
    return formatSize - 1 - 2 * inserts;
}

static_assert(FixedChars(sizeof ADD_ITEM_FORMAT, 3) + 3 * (SHELL_ARG_CHARS - 1) < DDE_COMMAND_CHARS,
              "AddItem must fit whole");
static_assert(FixedChars(sizeof DELETE_ITEM_FORMAT, 1) + SHELL_ARG_CHARS - 1 < DDE_COMMAND_CHARS,
              "DeleteItem must fit whole");
static_assert(FixedChars(sizeof UNINSTALL_QUOTED_FORMAT, 5) + sizeof kRemoverWord - 1 + 4 * (SHELL_ARG_CHARS - 1) <
                  UNINSTALL_STRING_CHARS,
              "the uninstall command line must fit whole");

const char* OrEmpty(const char* text)
{
    return text ? text : "";
}

bool Fits(char* dest, size_t cap, int written)
{
    if (written >= 0 && static_cast<size_t>(written) < cap)
        return true;
    dest[0] = '\0';
    return false;
}

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool ComposeCreateGroup(char* dest, size_t cap, const char* group)
{
    if (cap == 0)
        return false;
    return Fits(dest, cap, std::snprintf(dest, cap, CREATE_GROUP_FORMAT, OrEmpty(group)));
}

bool ComposeDeleteGroup(char* dest, size_t cap, const char* group)
{
    if (cap == 0)
        return false;
    return Fits(dest, cap, std::snprintf(dest, cap, DELETE_GROUP_FORMAT, OrEmpty(group)));
}

bool ComposeDeleteItem(char* dest, size_t cap, const char* item)
{
    if (cap == 0)
        return false;
    return Fits(dest, cap, std::snprintf(dest, cap, DELETE_ITEM_FORMAT, OrEmpty(item)));
}

bool ComposeAddItem(char* dest, size_t cap, const char* commandLine, const char* item, const char* workingDir)
{
    if (cap == 0)
        return false;
    return Fits(dest, cap,
                std::snprintf(dest, cap, ADD_ITEM_FORMAT, OrEmpty(commandLine), OrEmpty(item), OrEmpty(workingDir)));
}

bool ComposeUninstallString(char* dest, size_t cap, const char* programDir, const char* dataDir, const char* group)
{
    if (cap == 0)
        return false;
    programDir = OrEmpty(programDir);
    // A drive's root ends in "\" already and takes the name directly.
    const size_t n = std::strlen(programDir);
    const bool root = n > 0 && programDir[n - 1] == '\\';
    const char* format = HasBlank(programDir) ? (root ? UNINSTALL_QUOTED_ROOT_FORMAT : UNINSTALL_QUOTED_FORMAT)
                                              : (root ? UNINSTALL_ROOT_FORMAT : UNINSTALL_FORMAT);
    return Fits(dest, cap,
                std::snprintf(dest, cap, format, programDir, kRemoverWord, programDir, OrEmpty(dataDir), OrEmpty(group)));
}

bool HasBlank(const char* text)
{
    for (; text && *text; ++text)
        if (*text == ' ' || *text == '\t')
            return true;
    return false;
}

bool IsProductGroup(const char* group)
{
    if (!group)
        return false;
    size_t i = 0;
    for (; kProductWord[i]; ++i)
        if (LowerAscii(group[i]) != LowerAscii(kProductWord[i]))
            return false;
    return group[i] == '\0';
}

size_t FitGroupList(char* dest, size_t cap, const char* reply, size_t replySize)
{
    if (cap == 0)
        return 0;
    size_t length = 0;
    while (reply && length < replySize && reply[length])
        ++length;
    if (length >= cap) {
        // Keep the names that end before the last byte: cut at a line end.
        size_t cut = cap - 1;
        while (cut > 0 && !IsLineEnd(reply[cut]))
            --cut;
        length = IsLineEnd(reply[cut]) ? cut : 0;
    }
    if (length > 0)
        std::memcpy(dest, reply, length);
    dest[length] = '\0';
    return length;
}

char* NextGroupName(char** cursor)
{
    char* p = *cursor;
    if (!p)
        return nullptr;
    while (IsLineEnd(*p))
        ++p;
    if (*p == '\0') {
        *cursor = p;
        return nullptr;
    }
    char* name = p;
    while (*p && !IsLineEnd(*p))
        ++p;
    if (*p)
        *p++ = '\0';
    *cursor = p;
    return name;
}
