// The release tools' PE reader and the import check, on any bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/importcheck.h"
#include "tools/peinfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PeInfo info;
    std::string error;
    if (ReadPeInfo(data, size, &info, &error)) {
        for (const PeSection& s : info.sections)
            if (s.rawSize && (s.rawOffset > size || s.rawSize > size - s.rawOffset))
                std::abort();
        // Every name read lies in the file and ends there, so none is empty or long.
        for (const PeImportedDll& dll : info.imports) {
            if (dll.name.empty() || dll.name.size() > 255)
                std::abort();
            for (const PeImport& f : dll.functions)
                if (f.byOrdinal != f.name.empty() || f.name.size() > 255)
                    std::abort();
        }
        ExportList list;
        list.knownDlls.insert("kernel32.dll");
        list.exports["kernel32.dll"].insert("ExitProcess");
        CheckImports(info, list);
    } else if (error.empty()) {
        std::abort();
    }
    return 0;
}
