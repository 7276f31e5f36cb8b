// The rows of the compiled file table that get an item in the group.
#ifndef MARVANE_TEST_ICONROWS_H
#define MARVANE_TEST_ICONROWS_H

#include <vector>

#include "payload/filetable.h"

// In the table's order, which is the order the group step sends them in.
inline std::vector<const PayloadFile*> IconRows()
{
    std::vector<const PayloadFile*> rows;
    for (int i = 0; i < fileCount; ++i)
        if (fileTable[i].makeIcon)
            rows.push_back(&fileTable[i]);
    return rows;
}

#endif
