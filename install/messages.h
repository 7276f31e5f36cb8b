// Messages by number, the platform formatter, the setup log and the message pump.
#ifndef MARVANE_MESSAGES_H
#define MARVANE_MESSAGES_H

#include <windows.h>
#include <cstdarg>
#include <cstddef>

enum {
    MESSAGE_CHARS = 1024,  // the usual message buffer
    SHORT_MESSAGE_CHARS = 512,
};

// Loads string `id` of installer.instance into buffer (capacity in characters).
// Returns 1 when loaded. Otherwise the buffer receives the fallback text
// "<id> DEBUG - Unable to load string", cut to the capacity, and 0 is returned;
// with capacity 0 the buffer is not touched.
int LoadMessage(unsigned id, char* buffer, int capacity);

// Fills the inserts of `format` ("%1!s!", "%2!u!", ...) through FormatMessageA.
// The result is cut at `capacity` characters (terminator included). Returns 1
// when formatted; 0 leaves the destination untouched.
int FormatMessageText(char* dest, size_t capacity, const char* format, ...);
int FormatMessageTextV(char* dest, size_t capacity, const char* format, va_list args);

// The usual pattern: load message `id`; when it loaded, format it with the
// inserts into dest, else put the fallback text unformatted into dest.
// Returns what LoadMessage returned.
int LoadFormattedMessage(unsigned id, char* dest, size_t capacity, ...);

// Appends text and a line end to "setup.log" in the current directory when
// installer.logEnabled is set; a log that cannot be opened switches logging off.
void WriteLog(const char* text);

// Drains the thread's queue, offering each message to the open progress dialog first.
int PumpMessages();

#endif
