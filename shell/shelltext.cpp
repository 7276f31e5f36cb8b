#include "shell/shelltext.h"

#include <cstdio>
#include <cstring>

#include "payload/paths.h"
#include "resources/version.h"

namespace {

const char kRemoverWord[] = "remove";

#define CREATE_GROUP_FORMAT "[CreateGroup(%s)]"
#define DELETE_GROUP_FORMAT "[DeleteGroup(%s)]"
#define DELETE_ITEM_FORMAT "[DeleteItem(\"%s\")]"
#define ADD_ITEM_FORMAT "[AddItem(\"%s\",\"%s\",,,,,%s)]"
// The remover's directory is followed by "\", except a drive's root, which ends
// in one already. Its path is quoted (the first and the fifth insert) when it
// holds a blank.
#define UNINSTALL_FORMAT "%s%s%s%s.exe%s%s -f %s -d %s -g %s"
#define QUIET_SWITCH " -q"
#define DISPLAY_ICON_FORMAT "%s%s%s.exe,0"

// Fixed text of a format: its length less two characters per "%s".
constexpr size_t FixedChars(size_t formatSize, size_t inserts)
{
    return formatSize - 1 - 2 * inserts;
}

static_assert(FixedChars(sizeof ADD_ITEM_FORMAT, 3) + 3 * (SHELL_ARG_CHARS - 1) < DDE_COMMAND_CHARS,
              "AddItem must fit whole");
static_assert(FixedChars(sizeof DELETE_ITEM_FORMAT, 1) + SHELL_ARG_CHARS - 1 < DDE_COMMAND_CHARS,
              "DeleteItem must fit whole");
static_assert(FixedChars(sizeof UNINSTALL_FORMAT, 9) + 2 + 1 + sizeof QUIET_SWITCH - 1 + sizeof kRemoverWord - 1 +
                      4 * (SHELL_ARG_CHARS - 1) <
                  UNINSTALL_STRING_CHARS,
              "the quiet uninstall command line must fit whole");
static_assert(FixedChars(sizeof DISPLAY_ICON_FORMAT, 3) + 1 + sizeof PRODUCT_WORD - 1 + SHELL_ARG_CHARS - 1 <
                  UNINSTALL_STRING_CHARS,
              "the display icon must fit whole");

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

bool ComposeRemoverLine(char* dest, size_t cap, bool quiet, const char* programDir, const char* dataDir,
                        const char* group)
{
    if (cap == 0)
        return false;
    programDir = OrEmpty(programDir);
    const char* quote = HasBlank(programDir) ? "\"" : "";
    return Fits(dest, cap,
                std::snprintf(dest, cap, UNINSTALL_FORMAT, quote, programDir, SeparatorAfter(programDir),
                              kRemoverWord, quote, quiet ? QUIET_SWITCH : "", programDir, OrEmpty(dataDir),
                              OrEmpty(group)));
}

bool ComposeDisplayIcon(char* dest, size_t cap, const char* programDir)
{
    if (cap == 0)
        return false;
    programDir = OrEmpty(programDir);
    return Fits(dest, cap,
                std::snprintf(dest, cap, DISPLAY_ICON_FORMAT, programDir, SeparatorAfter(programDir), PRODUCT_WORD));
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
    for (; PRODUCT_WORD[i]; ++i)
        if (LowerAscii(group[i]) != LowerAscii(PRODUCT_WORD[i]))
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
