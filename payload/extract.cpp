#include "payload/extract.h"

// Placeholder until extraction lands: nothing was extracted, so nothing is deleted.
int RemoveTempFiles()
{
    return 0;
}
