// filetable-rows: prints the compiled-in payload file table for the build, one row
// a line in table order: the resource name, a tab, the installed name. The build
// writes payload.rc and the packing rules from it, so the table in
// payload/filetable.cpp is the only list of the payload.
// Exits 1, naming the row, when a name could not be carried through the build.
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "payload/filetable.h"

namespace {

// A resource name goes into payload.rc unquoted and names the row's container
// file: letters, digits and '_', not a digit first (the compiler would take a
// number for an ordinal).
bool GoodResourceName(const char* s)
{
    if (!*s || (*s >= '0' && *s <= '9'))
        return false;
    for (; *s; ++s) {
        const char c = *s;
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    }
    return true;
}

// An installed name becomes a file of the build, a line of the container manifest
// and an item of CMake lists: nothing Windows refuses in a file name, no path, no
// blank, nothing a CMake list or a configured file would take apart (; [ ] @).
bool GoodFileName(const char* s)
{
    const size_t n = std::strlen(s);
    if (n == 0 || s[n - 1] == '.')
        return false;
    for (; *s; ++s) {
        const unsigned char c = static_cast<unsigned char>(*s);
        if (c <= ' ' || c == 0x7F || std::strchr("\\/:*?\"<>|;[]@", c))
            return false;
    }
    return true;
}

}  // namespace

int main()
{
    for (int i = 0; i < fileCount; ++i) {
        const PayloadFile& row = fileTable[i];
        if (!GoodResourceName(row.resource)) {
            std::fprintf(stderr, "filetable-rows: row %d: resource name \"%s\" is not a plain identifier\n", i,
                         row.resource);
            return 1;
        }
        if (!GoodFileName(row.destName)) {
            std::fprintf(stderr, "filetable-rows: row %d (%s): installed name \"%s\" cannot be a file name\n", i,
                         row.resource, row.destName);
            return 1;
        }
        // Resource names are case-blind, and so are the file systems the rows
        // are installed to and the release directory they are taken from.
        for (int j = 0; j < i; ++j) {
            if (strcasecmp(fileTable[j].resource, row.resource) == 0 ||
                strcasecmp(fileTable[j].destName, row.destName) == 0) {
                std::fprintf(stderr, "filetable-rows: rows %d (%s %s) and %d (%s %s) share a name\n", j,
                             fileTable[j].resource, fileTable[j].destName, i, row.resource, row.destName);
                return 1;
            }
        }
        std::printf("%s\t%s\n", row.resource, row.destName);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
