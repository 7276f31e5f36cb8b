// The "Groups" reply of Program Manager: any reply is fitted into any buffer and
// split into exactly the names it holds that end before the buffer does.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shell/shelltext.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    size_t cap = data[0] * 2u;
    const char* reply = reinterpret_cast<const char*>(data + 1);
    size_t replySize = size - 1;

    // The names by hand: runs between line ends, each with the index of the line
    // end after it (the text's length when there is none).
    size_t length = 0;
    while (length < replySize && reply[length])
        ++length;
    std::vector<std::string> names;
    std::vector<size_t> ends;
    for (size_t i = 0; i < length;) {
        if (reply[i] == '\r' || reply[i] == '\n') {
            ++i;
            continue;
        }
        size_t start = i;
        while (i < length && reply[i] != '\r' && reply[i] != '\n')
            ++i;
        names.emplace_back(reply + start, i - start);
        ends.push_back(i);
    }

    std::vector<char> dest(cap + 1, '#');
    size_t kept = FitGroupList(cap ? dest.data() : nullptr, cap, reply, replySize);
    if (dest[cap] != '#')
        std::abort();
    if (cap == 0) {
        if (kept != 0)
            std::abort();
        return 0;
    }
    if (kept >= cap || dest[kept] != '\0' || std::memcmp(dest.data(), reply, kept) != 0)
        std::abort();

    std::vector<std::string> expected;
    for (size_t i = 0; i < names.size(); ++i)
        if (length < cap || (ends[i] < length && ends[i] <= cap - 1))
            expected.push_back(names[i]);
    std::vector<std::string> got;
    char* cursor = dest.data();
    while (char* name = NextGroupName(&cursor)) {
        if (got.size() > names.size())
            std::abort();
        got.emplace_back(name);
    }
    if (got != expected)
        std::abort();
    return 0;
}
