// crvtsupt.dll of the stand-in product.
#define CRVTSUPT_BUILD
#include "product/crvtsupt.h"

#include <cstdio>

CRVTSUPT_API int CrvtBanner(char* text, int cap)
{
    if (!text || cap <= 0)
        return 0;
    int n = std::snprintf(text, static_cast<size_t>(cap), "%s", "Marvane Plus 1.0 (stand-in build)");
    return n < cap ? n : cap - 1;
}
