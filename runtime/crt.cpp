// The few C library functions the programs call (and the ones the compiler calls
// for copies and clearing), so that they need no C run-time DLL. Plain loops: the
// strings here are paths and short texts, and the code must stay small.
//
// Built with -fno-builtin and without loop-to-call rewriting (runtime/CMakeLists.txt),
// or the compiler would turn memset's own loop into a call to memset.
#include <stddef.h>

extern "C" {

void* memcpy(void* dest, const void* src, size_t n)
{
    unsigned char* d = static_cast<unsigned char*>(dest);
    const unsigned char* s = static_cast<const unsigned char*>(src);
    while (n--)
        *d++ = *s++;
    return dest;
}

void* memmove(void* dest, const void* src, size_t n)
{
    unsigned char* d = static_cast<unsigned char*>(dest);
    const unsigned char* s = static_cast<const unsigned char*>(src);
    if (d < s) {
        while (n--)
            *d++ = *s++;
    } else {
        while (n--)
            d[n] = s[n];
    }
    return dest;
}

void* memset(void* dest, int c, size_t n)
{
    unsigned char* d = static_cast<unsigned char*>(dest);
    while (n--)
        *d++ = static_cast<unsigned char>(c);
    return dest;
}

int memcmp(const void* a, const void* b, size_t n)
{
    const unsigned char* x = static_cast<const unsigned char*>(a);
    const unsigned char* y = static_cast<const unsigned char*>(b);
    for (; n; --n, ++x, ++y)
        if (*x != *y)
            return *x - *y;
    return 0;
}

size_t strlen(const char* s)
{
    const char* p = s;
    while (*p)
        ++p;
    return static_cast<size_t>(p - s);
}

int strcmp(const char* a, const char* b)
{
    for (; *a && *a == *b; ++a, ++b) {
    }
    return static_cast<unsigned char>(*a) - static_cast<unsigned char>(*b);
}

char* strchr(const char* s, int c)
{
    for (;; ++s) {
        if (*s == static_cast<char>(c))
            return const_cast<char*>(s);
        if (!*s)
            return nullptr;
    }
}

char* strrchr(const char* s, int c)
{
    const char* found = nullptr;
    for (;; ++s) {
        if (*s == static_cast<char>(c))
            found = s;
        if (!*s)
            return const_cast<char*>(found);
    }
}

char* strstr(const char* text, const char* part)
{
    for (;; ++text) {
        size_t i = 0;
        while (part[i] && text[i] == part[i])
            ++i;
        if (!part[i])
            return const_cast<char*>(text);
        if (!*text)
            return nullptr;
    }
}

}  // extern "C"
