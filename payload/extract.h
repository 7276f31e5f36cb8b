// Extraction of the payload resources into a private temporary directory, and clean-up.
#ifndef MARVANE_EXTRACT_H
#define MARVANE_EXTRACT_H

#include <windows.h>

enum { EXTRACT_DAMAGED = -1 };

// Writes resource `resource` (type "EXE") of `instance`, unchanged, to dir + fileName
// (dir ends in "\"). Shows the 10073 line in progressLine when given. 1 when written
// whole; EXTRACT_DAMAGED when the container failed its checksum (nothing written);
// 0 for any other failure.
int ExtractPayload(HINSTANCE instance, HWND progressLine, const char* resource, const char* dir,
                   const char* fileName);

// Creates this run's private temporary directory and extracts every row of the file
// table into it under the progress dialog (none in quiet mode). Returns the number
// of rows extracted; 0 when the directory could not be made. A row whose container
// failed its checksum is marked STATUS_DAMAGED.
int ExtractAll(HINSTANCE instance, HWND owner);

// Whether the platform's temporary directory is too long for this run's private
// directory and the payload's names within MAX_PATH; asked once, before extracting.
bool TempDirTooLong();

// The private temporary directory of this run, ending in "\"; empty before ExtractAll.
const char* PayloadTempDir();

// Deletes the temporary files of this run (rows marked STATUS_EXTRACTED), then the
// private directory. Returns 0.
int RemoveTempFiles();

#endif
