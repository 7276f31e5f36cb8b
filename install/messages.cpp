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
    char scratch[2048];
    wsprintfA(scratch, "%u DEBUG - Unable to load string", id);
    // Copy at most `capacity` characters, zero-filling the rest, and always terminate.
    strncpy(buffer, scratch, static_cast<size_t>(capacity));
    buffer[capacity - 1] = '\0';
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

void WriteLog(const char* text)
{
    if (!installer.logEnabled)
        return;
    // Text mode: every line feed is stored as CR LF.
    FILE* log = std::fopen("setup.log", "a");
    if (!log) {
        installer.logEnabled = 0;
        return;
    }
    std::fprintf(log, "%s\n", text);
    std::fclose(log);
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
