#include "importcheck.h"


namespace {

std::string Trim(const std::string& s)
{
    size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// Windows 95 and NT 4.0 load nothing that asks for a later version.
bool Above40(uint16_t major, uint16_t minor)
{
    return major > 4 || (major == 4 && minor > 0);
}

std::string Version(uint16_t major, uint16_t minor)
{
    return std::to_string(major) + "." + std::to_string(minor);
}

}  // namespace

std::string NormaliseDllName(const std::string& name)
{
    std::string n = name;
    for (char& c : n)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (n.find('.') == std::string::npos)
        n += ".dll";
    return n;
}

bool ParseExportList(const std::string& text, ExportList* list, std::string* error)
{
    *list = ExportList();
    enum { NONE, KNOWN, FUNCTIONS } section = NONE;
    std::set<std::string>* functions = nullptr;
    size_t lineNo = 0;
    auto fail = [&](const std::string& why) {
        *error = "line " + std::to_string(lineNo) + ": " + why;
        return false;
    };
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = Trim(text.substr(at, end - at));
        at = end + 1;
        ++lineNo;
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']' || line.size() < 3)
                return fail("a section header is [KnownDLLs] or [NAME.DLL]");
            std::string name = Trim(line.substr(1, line.size() - 2));
            if (name == "KnownDLLs") {
                section = KNOWN;
                continue;
            }
            std::string dll = NormaliseDllName(name);
            if (list->exports.count(dll))
                return fail(name + " is listed twice");
            functions = &list->exports[dll];
            section = FUNCTIONS;
            continue;
        }
        size_t gap = line.find_first_of(" \t");
        std::string name = line.substr(0, gap);
        std::string note = gap == std::string::npos ? std::string() : Trim(line.substr(gap));
        if (section == NONE)
            return fail("\"" + name + "\" comes before any section");
        if (section == KNOWN) {
            if (!list->knownDlls.insert(NormaliseDllName(name)).second)
                return fail(name + " is listed twice");
            continue;
        }
        if (note.empty())
            return fail(name + " has no note of where the fact comes from");
        if (!functions->insert(name).second)
            return fail(name + " is listed twice");
    }
    return true;
}

std::vector<std::string> CheckImports(const PeInfo& info, const ExportList& list)
{
    std::vector<std::string> problems;
    if (Above40(info.subsystemMajor, info.subsystemMinor))
        problems.push_back("subsystem version " + Version(info.subsystemMajor, info.subsystemMinor) +
                           " is above 4.0");
    if (Above40(info.osMajor, info.osMinor))
        problems.push_back("OS version " + Version(info.osMajor, info.osMinor) + " is above 4.0");
    if (info.hasTls)
        problems.push_back("has a TLS directory (data directory 9)");
    for (const PeImportedDll& dll : info.imports) {
        std::string name = NormaliseDllName(dll.name);
        std::string shown = dll.name + (dll.delayLoad ? " (delay-loaded)" : "");
        if (!list.knownDlls.count(name))
            problems.push_back(shown + ": not a KnownDLL of current Windows, so a copy planted beside the "
                                       "program would be loaded");
        auto listed = list.exports.find(name);
        for (const PeImport& f : dll.functions) {
            if (f.byOrdinal)
                problems.push_back(shown + " ordinal " + std::to_string(f.ordinal) +
                                   ": imported by ordinal, which cannot be checked against the list");
            else if (listed == list.exports.end() || !listed->second.count(f.name))
                problems.push_back(shown + " " + f.name +
                                   ": not in the list of what Windows 95 and NT 4.0 both export");
        }
    }
    return problems;
}
