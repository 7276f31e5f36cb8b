/* Times the platform's LZ expansion: lzexpand SOURCE DEST [SOURCE DEST ...]
   expands each SOURCE into its DEST with LZCopy (opened by _lopen/LZInit, as the
   Installer does) and prints bytes, seconds and MB/s of the whole. */
#include <windows.h>
#include <lzexpand.h>
#include <stdio.h>

int main(int argc, char** argv)
{
    LARGE_INTEGER freq, t0, t1;
    long long total = 0;
    double seconds;
    int i;
    if (argc < 3 || argc % 2 != 1) {
        fprintf(stderr, "usage: lzexpand SOURCE DEST [SOURCE DEST ...]\n");
        return 2;
    }
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    for (i = 1; i + 1 < argc; i += 2) {
        HFILE in, out;
        INT lz;
        LONG copied;
        in = _lopen(argv[i], OF_READ);
        if (in == HFILE_ERROR) {
            fprintf(stderr, "cannot open %s\n", argv[i]);
            return 1;
        }
        lz = LZInit(in);
        if (lz < 0) {
            _lclose(in);
            fprintf(stderr, "cannot start expanding %s\n", argv[i]);
            return 1;
        }
        out = _lcreat(argv[i + 1], 0);
        if (out == HFILE_ERROR) {
            LZClose(lz);
            fprintf(stderr, "cannot create %s\n", argv[i + 1]);
            return 1;
        }
        copied = LZCopy(lz, out);
        _lclose(out);
        LZClose(lz);
        if (copied <= 0) {
            fprintf(stderr, "cannot expand %s\n", argv[i]);
            return 1;
        }
        total += copied;
    }
    QueryPerformanceCounter(&t1);
    seconds = (double)(t1.QuadPart - t0.QuadPart) / (double)freq.QuadPart;
    printf("%lld bytes in %.2f s: %.1f MB/s\n", total, seconds, total / seconds / 1e6);
    return 0;
}
