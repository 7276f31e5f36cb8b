#include "product/removetext.h"

#include <cstdio>
#include <cstring>

#include "payload/paths.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A switch "-x" standing as a word of its own at text[i].
bool IsSwitchAt(const char* text, size_t i, char letter)
{
    return text[i] == '-' && text[i + 1] == letter && (i == 0 || IsBlank(text[i - 1])) &&
           (text[i + 2] == '\0' || IsBlank(text[i + 2]));
}

// Position of the first switch "-x" at or after from, or npos.
size_t FindSwitch(const char* text, size_t from, char letter)
{
    for (size_t i = from; text[i]; ++i)
        if (IsSwitchAt(text, i, letter))
            return i;
    return static_cast<size_t>(-1);
}

// Copies text[begin, end) without surrounding blanks; false when it does not fit.
bool TakeValue(char* dest, const char* text, size_t begin, size_t end)
{
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    dest[0] = '\0';
    if (end - begin >= REMOVER_VALUE_CHARS)
        return false;
    std::memcpy(dest, text + begin, end - begin);
    dest[end - begin] = '\0';
    return true;
}

bool IsFullPath(const char* dir)
{
    const bool drive = ((dir[0] >= 'A' && dir[0] <= 'Z') || (dir[0] >= 'a' && dir[0] <= 'z')) && dir[1] == ':' &&
                       dir[2] == '\\';
    const bool share = dir[0] == '\\' && dir[1] == '\\' && dir[2] && dir[2] != '\\';
    return drive || share;
}

// The remover's own switches between the program's path and -f.
void ReadOwnSwitches(const char* text, size_t begin, size_t end, RemoverArgs* args)
{
    size_t i = begin;
    while (i < end) {
        while (i < end && IsBlank(text[i]))
            ++i;
        size_t wordEnd = i;
        while (wordEnd < end && !IsBlank(text[wordEnd]))
            ++wordEnd;
        const size_t length = wordEnd - i;
        if (length == 2 && text[i] == '-' && (text[i + 1] == 'q' || text[i + 1] == 's')) {
            args->quiet = 1;
        } else if (length == 2 && text[i] == '-' && (text[i + 1] == 'w' || text[i + 1] == 'o')) {
            size_t j = wordEnd;
            while (j < end && IsBlank(text[j]))
                ++j;
            unsigned long value = 0;
            size_t digits = 0;
            while (j < end && text[j] >= '0' && text[j] <= '9' && digits < 10) {
                value = value * 10 + static_cast<unsigned long>(text[j] - '0');
                ++j;
                ++digits;
            }
            if (digits > 0 && (j == end || IsBlank(text[j]))) {
                (text[i + 1] == 'w' ? args->waitHandle : args->outcomeHandle) = value;
                wordEnd = j;
            }
        }
        // Anything else (the rest of an unquoted path with blanks) is passed over.
        i = wordEnd;
    }
}

bool Fits(char* dest, size_t cap, int written)
{
    if (written >= 0 && static_cast<size_t>(written) < cap)
        return true;
    if (cap > 0)
        dest[0] = '\0';
    return false;
}

}  // namespace

bool ParseRemoverCommandLine(const char* text, RemoverArgs* args)
{
    std::memset(args, 0, sizeof *args);
    if (!text)
        return false;

    // The program's path: quoted up to its closing quote, else its first word. An
    // unquoted path with blanks leaves words before -f, which are passed over.
    size_t start = 0;
    while (IsBlank(text[start]))
        ++start;
    if (text[start] == '"') {
        const char* close = std::strchr(text + start + 1, '"');
        start = close ? static_cast<size_t>(close - text) + 1 : std::strlen(text);
    } else {
        while (text[start] && !IsBlank(text[start]))
            ++start;
    }

    const size_t npos = static_cast<size_t>(-1);
    const size_t f = FindSwitch(text, start, 'f');
    const size_t d = f == npos ? npos : FindSwitch(text, f + 2, 'd');
    const size_t g = d == npos ? npos : FindSwitch(text, d + 2, 'g');
    ReadOwnSwitches(text, start, f == npos ? std::strlen(text) : f, args);
    if (g == npos)
        return false;

    if (!TakeValue(args->programDir, text, f + 2, d) || !TakeValue(args->dataDir, text, d + 2, g) ||
        !TakeValue(args->group, text, g + 2, std::strlen(text)))
        return false;
    DropTrailingBackslash(args->programDir);
    DropTrailingBackslash(args->dataDir);
    return IsFullPath(args->programDir);
}

bool ComposeWorkingCopyLine(char* dest, size_t cap, const char* copyPath, unsigned long waitHandle,
                            unsigned long outcomeHandle, const RemoverArgs& args)
{
    if (cap == 0)
        return false;
    return Fits(dest, cap,
                std::snprintf(dest, cap, "\"%s\" -w %lu -o %lu%s -f %s -d %s -g %s", copyPath, waitHandle,
                              outcomeHandle, args.quiet ? " -q" : "", args.programDir, args.dataDir, args.group));
}

namespace {

// Whether the line text[begin, end) is the header "[rename]" (letter case and
// surrounding blanks aside).
bool IsRenameHeader(const char* text, size_t begin, size_t end)
{
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    static const char kHeader[] = "[rename]";
    if (end - begin != sizeof kHeader - 1)
        return false;
    for (size_t i = 0; i < sizeof kHeader - 1; ++i)
        if ((text[begin + i] | 0x20) != (kHeader[i] | 0x20))
            return false;
    return true;
}

bool IsSectionStart(const char* text, size_t begin, size_t end)
{
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    return begin < end && text[begin] == '[';
}

// Appends n bytes to dest at *at; false when they and a terminator do not fit.
bool Append(char* dest, size_t cap, size_t* at, const char* bytes, size_t n)
{
    if (n >= cap - *at)
        return false;
    std::memcpy(dest + *at, bytes, n);
    *at += n;
    return true;
}

}  // namespace

size_t AddWininitDeletion(char* dest, size_t cap, const char* text, size_t size, const char* path)
{
    if (cap == 0)
        return 0;
    // Where the new line goes: after the last line of [rename], else at the end.
    size_t insertAt = size;
    bool inRename = false, found = false;
    for (size_t begin = 0; begin < size;) {
        size_t end = begin;
        while (end < size && text[end] != '\n')
            ++end;
        size_t next = end < size ? end + 1 : end;
        size_t lineEnd = (end > begin && text[end - 1] == '\r') ? end - 1 : end;
        if (IsSectionStart(text, begin, lineEnd)) {
            if (inRename) {
                insertAt = begin;
                break;
            }
            inRename = IsRenameHeader(text, begin, lineEnd);
            found = found || inRename;
        }
        begin = next;
    }
    const bool endsOpen = insertAt > 0 && text[insertAt - 1] != '\n';
    static const char kHeader[] = "[rename]\r\n";
    size_t at = 0;
    bool ok = Append(dest, cap, &at, text, insertAt) && (!endsOpen || Append(dest, cap, &at, "\r\n", 2)) &&
              (found || Append(dest, cap, &at, kHeader, sizeof kHeader - 1)) &&
              Append(dest, cap, &at, "NUL=", 4) && Append(dest, cap, &at, path, std::strlen(path)) &&
              Append(dest, cap, &at, "\r\n", 2) && Append(dest, cap, &at, text + insertAt, size - insertAt);
    if (!ok) {
        dest[0] = '\0';
        return 0;
    }
    dest[at] = '\0';
    return at;
}
