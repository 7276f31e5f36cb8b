// Extraction of the payload resources into a private temporary directory, and clean-up.
#ifndef MARVANE_EXTRACT_H
#define MARVANE_EXTRACT_H

#include <windows.h>

// Deletes the temporary files of this run (rows marked STATUS_EXTRACTED). Returns 0.
int RemoveTempFiles();

#endif
