// The DOS program in front of a PE image's headers. Host-side; every offset is
// checked.
#ifndef MARVANE_DOSSTUB_H
#define MARVANE_DOSSTUB_H

#include <cstdint>
#include <string>
#include <vector>

// Drops the DOS program that the linker puts in front of the PE headers, so
// that the headers of a program with up to five sections fit one 512-byte file
// block instead of two: the PE signature moves to just after the 64-byte DOS
// header (e_lfanew = 64), SizeOfHeaders shrinks to the file alignment that now
// holds them, and every section's data moves down by the bytes saved (*saved;
// 0 when nothing is gained). Windows reads nothing of the DOS program: it looks
// at e_lfanew only. The checksum field is cleared (no longer right).
//
// False, with the reason, and the image unchanged, for one that cannot be moved
// safely: a certificate, a debug directory or a COFF symbol table (which point at
// file offsets), section data out of order, or not a PE image at all.
bool DropDosProgram(std::vector<uint8_t>* image, std::string* error, uint32_t* saved);

#endif
