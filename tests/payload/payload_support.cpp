#include "payload_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "payload/copy.h"
#include "payload/crc32.h"
#include "payload/filetable.h"
#include "startup/state.h"
#include "support/winhelp.h"

// ---- Test data ------------------------------------------------------------------

std::string SzddContainer(const std::string& data, int window)
{
    // Ring positions follow the output: output byte k sits at (4080 + k) mod 4096.
    // A reference reaches at most 4096 - 18 bytes back, so that what it reads is
    // never overwritten while it is being copied.
    const size_t n = data.size();
    const size_t reach = static_cast<size_t>(std::min(std::max(window, 0), 4096 - 18));
    std::string stream;
    size_t i = 0;
    while (i < n) {
        size_t controlAt = stream.size();
        stream += '\0';
        unsigned control = 0;
        for (int bit = 0; bit < 8 && i < n; ++bit) {
            size_t bestLen = 0, bestFrom = 0;
            for (size_t d = 1; d <= reach && d <= i; ++d) {
                size_t from = i - d, len = 0;
                while (len < 18 && i + len < n && data[from + len] == data[i + len])
                    ++len;
                if (len > bestLen) {
                    bestLen = len;
                    bestFrom = from;
                    if (len == 18)
                        break;
                }
            }
            if (bestLen >= 3) {
                unsigned pos = static_cast<unsigned>((4080 + bestFrom) & 0xFFF);
                stream += static_cast<char>(pos & 0xFF);
                stream += static_cast<char>(((pos >> 4) & 0xF0) | (bestLen - 3));
                i += bestLen;
            } else {
                control |= 1u << bit;
                stream += data[i++];
            }
        }
        stream[controlAt] = static_cast<char>(control);
    }
    return SzddRaw(static_cast<uint32_t>(n), stream);
}

namespace {

unsigned Next(unsigned& state)
{
    state = state * 1103515245u + 12345u;
    return state >> 16;
}

}  // namespace

std::string TextContent(size_t size, unsigned seed)
{
    static const char* const words[] = {"Marvane ", "plus ", "install ", "the ", "file ", "of ", "release ",
                                        "notes\r\n", "sound ", "window ", "program ", "help "};
    std::string out;
    unsigned state = seed;
    while (out.size() < size)
        out += words[Next(state) % (sizeof words / sizeof words[0])];
    out.resize(size);
    return out;
}

std::string BinaryContent(size_t size, unsigned seed)
{
    std::string out(size, '\0');
    unsigned state = seed;
    for (size_t i = 0; i < size; ++i)
        out[i] = static_cast<char>(i < 256 ? i : Next(state) & 0xFF);
    return out;
}

// ---- State --------------------------------------------------------------------

SavedState::SavedState()
{
    std::copy(fileTable, fileTable + FILE_TABLE_ROWS, rows_);
}

SavedState::~SavedState()
{
    std::copy(rows_, rows_ + FILE_TABLE_ROWS, fileTable);
    for (PayloadFile& row : fileTable)
        row.status = 0;
    installer.quietMode = 0;
    installer.logEnabled = 0;
    installer.mainWindow = nullptr;
    installer.copyDialog = nullptr;
    installer.copyCancelled = 0;
    currentDisk = 0;
}

LogInDir::LogInDir(const std::string& dir) : dir_(dir)
{
    GetCurrentDirectoryA(sizeof saved_, saved_);
    SetCurrentDirectoryA(dir.c_str());
    installer.logEnabled = 1;
}

LogInDir::~LogInDir()
{
    installer.logEnabled = 0;
    SetCurrentDirectoryA(saved_);
}

std::vector<std::string> LogInDir::Lines() const
{
    return SplitLines(ReadFileBytes(dir_ + "\\setup.log"));
}

HMODULE LoadWithResources(const std::string& path, const std::vector<ResourceEntry>& entries)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    if (!CopyFileA(self, path.c_str(), FALSE)) {
        ADD_FAILURE() << "cannot copy the test program to " << path;
        return nullptr;
    }
    HANDLE update = BeginUpdateResourceA(path.c_str(), TRUE);  // every resource of the copy goes
    if (!update) {
        ADD_FAILURE() << "BeginUpdateResource failed";
        return nullptr;
    }
    for (const ResourceEntry& e : entries)
        if (!UpdateResourceA(update, e.type, e.name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                             const_cast<char*>(e.data.data()), static_cast<DWORD>(e.data.size())))
            ADD_FAILURE() << "UpdateResource " << e.name;
    if (!EndUpdateResourceA(update, FALSE)) {
        ADD_FAILURE() << "EndUpdateResource failed";
        return nullptr;
    }
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        ADD_FAILURE() << "cannot load " << path;
    return module;
}

PayloadModule::PayloadModule(const std::string& dir,
                             const std::vector<std::pair<std::string, std::string>>& resources)
{
    // The progress dialog comes over from this program.
    std::vector<ResourceEntry> entries;
    HMODULE program = GetModuleHandleA(nullptr);
    HRSRC dialog = FindResourceExA(program, RT_DIALOG, "DLG_COPY", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (dialog)
        entries.push_back({RT_DIALOG, "DLG_COPY",
                           std::string(static_cast<const char*>(LockResource(LoadResource(program, dialog))),
                                       SizeofResource(program, dialog))});
    else
        ADD_FAILURE() << "cannot carry DLG_COPY over";
    // With the checksum record the build makes of the payload.
    std::string record;
    for (const auto& r : resources) {
        entries.push_back({"EXE", r.first.c_str(), r.second});
        record += ChecksumEntry(r.first, Crc32(r.second.data(), r.second.size()));
    }
    if (!record.empty())
        entries.push_back({PAYLOAD_CHECKSUM_TYPE, PAYLOAD_CHECKSUM_NAME, record});
    module_ = LoadWithResources(dir + "\\payload.dll", entries);
}

PayloadModule::~PayloadModule()
{
    if (module_)
        FreeLibrary(module_);
}

std::vector<std::pair<std::string, std::string>> TestPayload(std::vector<std::string>* expanded)
{
    std::vector<std::pair<std::string, std::string>> stored;
    if (expanded)
        expanded->clear();
    for (int i = 0; i < FILE_TABLE_ROWS; ++i) {
        // Text compresses; random bytes give a stream longer than the file (as the
        // real sounds do); one row is stored as literals only.
        std::string content = (i % 3 == 1) ? BinaryContent(3000 + 1500 * i, 7u + i)
                                           : TextContent(5000 + 3000 * i, 11u + i);
        stored.emplace_back(fileTable[i].resource, SzddContainer(content, i == 2 ? 0 : 2048));
        if (expanded)
            expanded->push_back(content);
    }
    return stored;
}

HWND MakeOwnerWindow()
{
    HWND w = CreateWindowExA(0, "STATIC", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 320, 200, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(w, nullptr);
    return w;
}

void PayloadTest::SetUp()
{
    UseTestModule();
    dir = FreshTestDir();
    owner = MakeOwnerWindow();
    installer.mainWindow = owner;
}

void PayloadTest::TearDown()
{
    DestroyWindow(owner);
}

// ---- Progress line ----------------------------------------------------------------

namespace {

HHOOK callHook = nullptr;
HHOOK cbtHook = nullptr;
std::vector<std::string> progressLines;
int installationDialogs = 0;

bool IsProgressLine(HWND window)
{
    HWND parent = GetParent(window);
    if (!parent || GetDlgCtrlID(window) != 954)
        return false;
    char caption[64];
    GetWindowTextA(parent, caption, sizeof caption);
    return std::strcmp(caption, "Installation") == 0;
}

LRESULT CALLBACK OnCall(int code, WPARAM wParam, LPARAM lParam)
{
    auto* call = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_SETTEXT && call->lParam && IsProgressLine(call->hwnd))
        progressLines.push_back(reinterpret_cast<const char*>(call->lParam));
    return CallNextHookEx(callHook, code, wParam, lParam);
}

LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const char* name = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->lpszName;
        if (name && !IS_INTRESOURCE(name) && std::strcmp(name, "Installation") == 0)
            ++installationDialogs;
    }
    return CallNextHookEx(cbtHook, code, wParam, lParam);
}

}  // namespace

ProgressWatch::ProgressWatch()
{
    progressLines.clear();
    installationDialogs = 0;
    callHook = SetWindowsHookExA(WH_CALLWNDPROC, OnCall, nullptr, GetCurrentThreadId());
    cbtHook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
    EXPECT_TRUE(callHook && cbtHook);
}

ProgressWatch::~ProgressWatch()
{
    UnhookWindowsHookEx(callHook);
    UnhookWindowsHookEx(cbtHook);
}

const std::vector<std::string>& ProgressWatch::lines() const
{
    return progressLines;
}

int ProgressWatch::dialogsCreated() const
{
    return installationDialogs;
}

// ---- Failure injection ------------------------------------------------------------

ImportPatch::ImportPatch(const char* dll, const char* function, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
    for (; desc->Name; ++desc) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + desc->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), function) != 0)
                continue;
            slot_ = reinterpret_cast<void**>(&slots->u1.Function);
            DWORD old;
            VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old);
            original_ = *slot_;
            *slot_ = replacement;
            return;
        }
    }
    ADD_FAILURE() << "no import " << dll << "!" << function;
}

ImportPatch::~ImportPatch()
{
    if (slot_)
        *slot_ = original_;
}
