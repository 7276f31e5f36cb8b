// pecheck --exports LIST FILE...
// The release check of what each program asks of the loader. Prints, per file, its
// subsystem and OS versions, whether it has a TLS directory and every imported DLL
// and function; then one line per problem (see importcheck.h). Exits 1 when any
// file has a problem or cannot be read, 2 on a bad command line or list.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fileio.h"
#include "importcheck.h"
#include "peinfo.h"

namespace {

const char kTool[] = "pecheck";

// "  KERNEL32.dll (52): CloseHandle, CreateFileA, ..." wrapped at about 100 columns.
void PrintImports(const PeImportedDll& dll)
{
    std::string line = "  " + dll.name + (dll.delayLoad ? " (delay-loaded)" : "") + " (" +
                       std::to_string(dll.functions.size()) + "):";
    for (size_t i = 0; i < dll.functions.size(); ++i) {
        const PeImport& f = dll.functions[i];
        std::string item = f.byOrdinal ? "#" + std::to_string(f.ordinal) : f.name;
        if (line.size() + item.size() > 100) {
            std::printf("%s\n", line.c_str());
            line = "     ";
        }
        line += " " + item + (i + 1 < dll.functions.size() ? "," : "");
    }
    std::printf("%s\n", line.c_str());
}

// Checks one file; false when it has a problem or cannot be read.
bool CheckFile(const char* path, const ExportList& list)
{
    const char* name = std::strrchr(path, '/');
    name = name ? name + 1 : path;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(kTool, path, bytes))
        return false;
    PeInfo info;
    std::string error;
    if (!ReadPeInfo(bytes.data(), bytes.size(), &info, &error)) {
        std::printf("%s: FAIL: not a PE image this check can read: %s\n", name, error.c_str());
        return false;
    }
    const char* subsystem = info.subsystem == 2 ? "GUI" : info.subsystem == 3 ? "console" : "other";
    std::printf("%s: %s, %s subsystem %u.%u, OS version %u.%u, %s\n", name, info.is64 ? "PE32+" : "PE32",
                subsystem, info.subsystemMajor, info.subsystemMinor, info.osMajor, info.osMinor,
                info.hasTls ? "TLS directory" : "no TLS directory");
    for (const PeImportedDll& dll : info.imports)
        PrintImports(dll);
    std::vector<std::string> problems = CheckImports(info, list);
    for (const std::string& p : problems)
        std::printf("%s: FAIL: %s\n", name, p.c_str());
    if (problems.empty())
        std::printf("%s: passes\n", name);
    else
        std::printf("%s: %zu problem%s\n", name, problems.size(), problems.size() == 1 ? "" : "s");
    return problems.empty();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || std::strcmp(argv[1], "--exports") != 0) {
        std::fprintf(stderr, "usage: pecheck --exports LIST FILE...\n");
        return 2;
    }
    std::vector<uint8_t> text;
    if (!ReadWholeFile(kTool, argv[2], text))
        return 2;
    ExportList list;
    std::string error;
    if (!ParseExportList(std::string(text.begin(), text.end()), &list, &error)) {
        std::fprintf(stderr, "pecheck: %s: %s\n", argv[2], error.c_str());
        return 2;
    }
    bool ok = true;
    for (int i = 3; i < argc; ++i)
        ok = CheckFile(argv[i], list) && ok;
    return ok ? 0 : 1;
}
