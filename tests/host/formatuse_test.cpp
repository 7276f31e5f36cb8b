// The programs' formatter knows only the directives the programs use, and refuses
// the rest (runtime/format.h). So that a format written later with another one
// (a precision, %d) is caught here and not by a cut path at run time: every
// literal with a '%' in the programs' sources must be one it accepts. (Inserts of
// the platform's message formatter, "%1!s!", are not printf directives.)
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/format.h"
#include "tools/fileio.h"

namespace {

std::string SourceRoot()
{
    std::string here = __FILE__;
    return here.substr(0, here.size() - std::strlen("tests/host/formatuse_test.cpp"));
}

// The string literals of a C++ source, with their escapes undone (enough of them
// for formats: \\ \" \n \r \t).
std::vector<std::string> Literals(const std::string& text)
{
    std::vector<std::string> found;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            i = text.find('\n', i);
            if (i == std::string::npos)
                break;
            continue;
        }
        if (text[i] == '\'' && i + 2 < text.size()) {
            i += text[i + 1] == '\\' ? 3 : 2;  // a character literal
            continue;
        }
        if (text[i] != '"')
            continue;
        std::string literal;
        for (++i; i < text.size() && text[i] != '"'; ++i) {
            if (text[i] == '\\' && i + 1 < text.size()) {
                char e = text[++i];
                literal += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
            } else {
                literal += text[i];
            }
        }
        found.push_back(literal);
    }
    return found;
}

TEST(FormatUse, EveryFormatOfTheProgramsIsUnderstood)
{
    const char* const sources[] = {
        "install/choice.cpp",    "install/messages.cpp",   "install/prompts.cpp",  "install/sequence.cpp",
        "payload/copy.cpp",      "payload/extract.cpp",    "payload/lzlib.cpp",    "payload/privatedir.cpp",
        "payload/remove.cpp",    "payload/removalpaths.cpp", "shell/progman.cpp",  "shell/record.cpp",
        "shell/shelltext.cpp",   "startup/state.cpp",      "startup/window.cpp",   "product/remove.cpp",
        "product/removetext.cpp", "runtime/dllsearch.cpp",
    };
    size_t formats = 0;
    for (const char* source : sources) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(ReadWholeFile("formatuse_test", (SourceRoot() + source).c_str(), bytes)) << source;
        for (const std::string& literal : Literals(std::string(bytes.begin(), bytes.end()))) {
            if (literal.find('%') == std::string::npos || literal.find("!s!") != std::string::npos ||
                literal.find("!u!") != std::string::npos)
                continue;
            ++formats;
            FormatValue values[8] = {};
            for (FormatValue& v : values)
                v.text = "x";
            char out[512];
            EXPECT_GE(FormatTextFromTable(out, sizeof out, literal.c_str(), values, 8), 0)
                << source << ": \"" << literal << "\"";
        }
    }
    EXPECT_GT(formats, 20u) << "the sources were not read";
}

}  // namespace
