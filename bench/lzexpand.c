/* Times the platform's LZ expansion: lzexpand SOURCE DEST expands SOURCE into
   DEST with LZCopy (opened by _lopen/LZInit) and prints bytes, seconds and MB/s. */
#include <windows.h>
#include <lzexpand.h>
#include <stdio.h>

int main(int argc, char** argv)
{
    LARGE_INTEGER freq, t0, t1;
    HFILE in, out;
    INT lz;
    LONG copied;
    double seconds;
    if (argc != 3) {
        fprintf(stderr, "usage: lzexpand SOURCE DEST\n");
        return 2;
    }
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    in = _lopen(argv[1], OF_READ);
    if (in == HFILE_ERROR) {
        fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    lz = LZInit(in);
    out = _lcreat(argv[2], 0);
    if (lz < 0 || out == HFILE_ERROR) {
        fprintf(stderr, "cannot start the expansion\n");
        return 1;
    }
    copied = LZCopy(lz, out);
    _lclose(out);
    LZClose(lz);
    QueryPerformanceCounter(&t1);
    seconds = (double)(t1.QuadPart - t0.QuadPart) / (double)freq.QuadPart;
    printf("%ld bytes in %.2f s: %.1f MB/s\n", (long)copied, seconds, copied / seconds / 1e6);
    return copied > 0 ? 0 : 1;
}
