// Whether accounts other than trusted ones can change what a security descriptor
// guards. Pure logic on the descriptor's bytes: no platform headers, so that the
// decision is tested directly, with SIDs written out as bytes.
#ifndef MARVANE_SECJUDGE_H
#define MARVANE_SECJUDGE_H

#include <cstddef>

enum SecurityVerdict {
    SECURITY_CLOSED,         // owned by a trusted account; only trusted ones may change it
    SECURITY_OPEN,           // an entry lets another account change it (or there is no DACL)
    SECURITY_FOREIGN_OWNER,  // owned by another account, who may change its rights at any time
    SECURITY_UNREADABLE,     // not a self-relative descriptor with an owner
};

// The rights that change a file or directory or what is in it: writing and
// appending (adding files and folders), extended attributes and attributes,
// deleting it or what it holds, changing its rights or its owner, and the generic
// write and all rights that stand for them.
constexpr unsigned long kChangingRights = 0x2 | 0x4 | 0x10 | 0x40 | 0x100 | 0x10000 | 0x40000 | 0x80000 |
                                          0x10000000 | 0x40000000;

// The length of the SID at sid, which has room bytes; 0 when it is not one.
size_t SidLength(const unsigned char* sid, size_t room);

// Judges a self-relative descriptor of size bytes, read with its owner and DACL.
// trusted holds the trusted accounts' SIDs, as they are laid out, end to end in
// trustedSize bytes. A foreign owner comes first: no
// change of entries closes what its owner may open again. Any access-allowed
// entry for an account not trusted that gives one of kChangingRights makes it
// open, an inherit-only one too (it is passed on to what is created inside), and
// so does an entry of a kind not read here other than a denial.
SecurityVerdict JudgeSecurity(const unsigned char* descriptor, size_t size, const unsigned char* trusted,
                              size_t trustedSize);

#endif
