#include "support/winhelp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "startup/state.h"

void UseTestModule()
{
    installer.instance = GetModuleHandleA(nullptr);
}

std::string Env(const char* name, const char* fallback)
{
    const char* v = std::getenv(name);
    return v ? v : fallback;
}

std::string WindowsPath(const std::string& unixPath)
{
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/')
            c = '\\';
    return p;
}

std::string SetupExe()
{
    return WindowsPath(Env("MARVANE_SETUP_EXE"));
}

std::string FreshDir(const std::string& name)
{
    CreateDirectoryA("C:\\tests", nullptr);
    std::string dir = "C:\\tests\\" + name;
    // Leftovers of an earlier run in the same prefix are removed first.
    if (DirExists(dir))
        RunProgram("C:\\windows\\system32\\cmd.exe", "/c rmdir /s /q \"" + dir + "\"");
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

std::string TestName()
{
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

std::string FreshTestDir()
{
    return FreshDir(TestName());
}

bool FileExists(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadFileBytes(const std::string& path)
{
    std::string data;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return data;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.append(buf, n);
    std::fclose(f);
    return data;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<std::string> ListDir(const std::string& dir)
{
    std::vector<std::string> names;
    if (dir.empty())
        return names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + (dir.back() == '\\' ? "*" : "\\*")).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::string PlatformTempDir()
{
    char buf[MAX_PATH];
    DWORD n = GetTempPathA(sizeof buf, buf);
    std::string dir(buf, n < sizeof buf ? n : 0);
    if (dir.empty() || dir.back() != '\\')
        dir += '\\';
    return dir;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no line end>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

DataFile::DataFile(const std::string& path) : module(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE))
{
}

DataFile::~DataFile()
{
    if (module)
        FreeLibrary(module);
}

std::string DataFile::Resource(const char* type, const char* name) const
{
    HRSRC found = module ? FindResourceA(module, name, type) : nullptr;
    if (!found)
        return "<absent>";
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(data, SizeofResource(module, found));
}

size_t DataFile::FileOffset(const char* type, const char* name) const
{
    HRSRC found = module ? FindResourceA(module, name, type) : nullptr;
    if (!found)
        return 0;
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    // The handle of a data file is its mapping's address with the low bits set as a mark.
    const char* base = reinterpret_cast<const char*>(reinterpret_cast<ULONG_PTR>(module) & ~ULONG_PTR(3));
    return static_cast<size_t>(data - base);
}

namespace {

struct FindArgs {
    const char* className;
    const char* title;
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM lParam)
{
    auto* a = reinterpret_cast<FindArgs*>(lParam);
    if (!IsWindowVisible(window))
        return TRUE;
    if (a->pid) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid != a->pid)
            return TRUE;
    }
    char buf[512];
    if (a->className) {
        GetClassNameA(window, buf, sizeof buf);
        if (lstrcmpA(buf, a->className) != 0)
            return TRUE;
    }
    if (a->title) {
        GetWindowTextA(window, buf, sizeof buf);
        if (lstrcmpA(buf, a->title) != 0)
            return TRUE;
    }
    a->found = window;
    return FALSE;
}

// Lets this thread's own windows (if any) run while a test waits.
void PumpOwnQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        PumpOwnQueue();
        Sleep(20);
    }
}

void PumpFor(DWORD ms)
{
    DWORD start = GetTickCount();
    do {
        PumpOwnQueue();
        Sleep(20);
    } while (GetTickCount() - start < ms);
}

HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs, DWORD processId)
{
    FindArgs a = {className, title, processId, nullptr};
    WaitUntil([&] {
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&a));
        return a.found != nullptr;
    }, timeoutMs);
    return a.found;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs)
{
    return WaitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

std::string WindowText(HWND window)
{
    char buf[2048];
    buf[0] = '\0';
    // WM_GETTEXT works across processes for the standard controls. Not SMTO_ABORTIFHUNG:
    // Wine counts a thread as hung when it has not read its queue for 5 s, which a slow
    // start (a loaded machine, an emulated one) exceeds before a box's first message loop,
    // and the text would come back empty although the box is there.
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_NORMAL, 5000,
                        nullptr);
    return buf;
}

std::vector<long> WindowPlace(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::string ControlText(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? WindowText(control) : std::string("<no control>");
}

std::vector<std::string> ItemTexts(HWND control)
{
    char cls[32] = "";
    GetClassNameA(control, cls, sizeof cls);
    const bool list = lstrcmpiA(cls, "ListBox") == 0;
    std::vector<std::string> items;
    const LRESULT n = SendMessageA(control, list ? LB_GETCOUNT : CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char text[512] = "";
        SendMessageA(control, list ? LB_GETTEXT : CB_GETLBTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

void ClickButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    PostMessageA(button, BM_CLICK, 0, 0);
}

bool SendAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &result) != 0;
}

bool ClickButtonNow(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    return button && SendAndWait(button, BM_CLICK);
}

void TypeText(HWND dialog, int id, const std::string& text)
{
    HWND control = GetDlgItem(dialog, id);
    SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 5000,
                        nullptr);
}

std::string MessageBoxText(HWND box)
{
    // The text of a standard message box is its static control 0xFFFF.
    return ControlText(box, 0xFFFF);
}

bool SaveScreenshot(const std::string& name)
{
    std::string dir = Env("MARVANE_SCREENSHOT_DIR");
    if (dir.empty())
        return false;
    HDC screen = GetDC(nullptr);
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) / 4) * 4;
    DWORD size = stride * static_cast<DWORD>(h);
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + size;
    std::string bytes(reinterpret_cast<char*>(&fh), sizeof fh);
    bytes.append(reinterpret_cast<char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    bytes.append(static_cast<char*>(bits), size);
    DeleteObject(dib);
    return WriteFileBytes(WindowsPath(dir) + "\\" + name + ".bmp", bytes);
}

void Snapshot(const std::string& name)
{
    PumpFor(400);
    SaveScreenshot(name);
}

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

Started StartProgram(const std::string& exe, const std::string& args, const std::string& cwd)
{
    return StartWithCommandLine(nullptr, "\"" + exe + "\"" + (args.empty() ? "" : " " + args), cwd);
}

Started StartWithCommandLine(const char* exe, const std::string& commandLine, const std::string& cwd)
{
    Started s;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (CreateProcessA(exe, line.data(), nullptr, nullptr, FALSE, 0, nullptr, cwd.empty() ? nullptr : cwd.c_str(),
                       &si, &pi)) {
        CloseHandle(pi.hThread);
        s.process = pi.hProcess;
        s.pid = pi.dwProcessId;
    }
    return s;
}

int WaitExit(Started& started, DWORD timeoutMs)
{
    if (!started.process)
        return -998;
    DWORD start = GetTickCount();
    while (WaitForSingleObject(started.process, 50) == WAIT_TIMEOUT) {
        if (GetTickCount() - start > timeoutMs) {
            TerminateProcess(started.process, 999);
            CloseHandle(started.process);
            started.process = nullptr;
            return -999;
        }
        PumpOwnQueue();
    }
    DWORD code = 0;
    GetExitCodeProcess(started.process, &code);
    CloseHandle(started.process);
    started.process = nullptr;
    return static_cast<int>(code);
}

int RunProgram(const std::string& exe, const std::string& args, const std::string& cwd, DWORD timeoutMs)
{
    Started s = StartProgram(exe, args, cwd);
    return WaitExit(s, timeoutMs);
}
