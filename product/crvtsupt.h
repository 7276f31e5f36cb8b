// The stand-in product's support library: what Marvane.exe imports from crvtsupt.dll.
#ifndef MARVANE_CRVTSUPT_H
#define MARVANE_CRVTSUPT_H

#ifdef CRVTSUPT_BUILD
#define CRVTSUPT_API extern "C" __declspec(dllexport)
#else
#define CRVTSUPT_API extern "C" __declspec(dllimport)
#endif

// Writes the product's banner line into text (cap characters, always terminated)
// and returns its length without the terminator.
CRVTSUPT_API int CrvtBanner(char* text, int cap);

#endif
