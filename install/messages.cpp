#include "install/messages.h"

#include <cstdio>
#include <cstring>

#include "startup/state.h"

int LoadMessage(unsigned id, char* buffer, int capacity)
{
    if (capacity <= 0)
        return 0;
    if (LoadStringA(installer.instance, id, buffer, capacity) > 0)
        return 1;
    // The fallback, cut to the capacity and terminated.
    std::snprintf(buffer, static_cast<size_t>(capacity), "%u DEBUG - Unable to load string", id);
    return 0;
}

int FormatMessageTextV(char* dest, size_t capacity, const char* format, va_list args)
{
    char* text = nullptr;
    va_list copy;
    va_copy(copy, args);
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                             format, 0, 0, reinterpret_cast<LPSTR>(&text), 0, &copy);
    va_end(copy);
    if (n == 0 || !text)
        return 0;
    // The formatter turns each bare line feed of the format into CR LF. Our texts
    // carry plain line feeds, and the log's text mode adds the CR itself, so undo it.
    if (!std::strchr(format, '\r')) {
        char* out = text;
        for (const char* in = text; *in; ++in)
            if (!(in[0] == '\r' && in[1] == '\n'))
                *out++ = *in;
        *out = '\0';
    }
    CopyText(dest, capacity, text);
    LocalFree(text);
    return 1;
}

int FormatMessageText(char* dest, size_t capacity, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int ok = FormatMessageTextV(dest, capacity, format, args);
    va_end(args);
    return ok;
}

int LoadFormattedMessage(unsigned id, char* dest, size_t capacity, ...)
{
    char text[MESSAGE_CHARS];
    int loaded = LoadMessage(id, text, sizeof text);
    if (loaded) {
        va_list args;
        va_start(args, capacity);
        if (!FormatMessageTextV(dest, capacity, text, args))
            CopyText(dest, capacity, text);
        va_end(args);
    } else {
        CopyText(dest, capacity, text);
    }
    return loaded;
}

namespace {

void WriteBytes(HANDLE file, const char* bytes, size_t n)
{
    DWORD written;
    WriteFile(file, bytes, static_cast<DWORD>(n), &written, nullptr);
}

}  // namespace

void WriteLog(const char* text)
{
    if (!installer.logEnabled)
        return;
    // Opened and closed around every line, so each line is on disk when the call
    // returns, even if the process ends abruptly afterwards.
    HANDLE log = CreateFileA("setup.log", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) {
        installer.logEnabled = 0;
        return;
    }
    SetFilePointer(log, 0, nullptr, FILE_END);
    // A text file as the C library's text mode writes it: the line and its end, every
    // line feed stored as CR LF (so a CR LF in the text becomes CR CR LF).
    char chunk[256];
    size_t n = 0;
    for (const char* p = text;; ++p) {
        char c = *p ? *p : '\n';
        if (n + 2 > sizeof chunk) {
            WriteBytes(log, chunk, n);
            n = 0;
        }
        if (c == '\n')
            chunk[n++] = '\r';
        chunk[n++] = c;
        if (!*p)
            break;
    }
    WriteBytes(log, chunk, n);
    CloseHandle(log);
}

int PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (installer.copyDialog && IsDialogMessageA(installer.copyDialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 1;
}
