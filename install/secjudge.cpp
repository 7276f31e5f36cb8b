#include "install/secjudge.h"

#include <cstring>

namespace {

// Little-endian fields of the descriptor, the ACL and the entries.
unsigned Word(const unsigned char* p)
{
    return p[0] | p[1] << 8;
}

unsigned long Dword(const unsigned char* p)
{
    return Word(p) | static_cast<unsigned long>(Word(p + 2)) << 16;
}

bool Trusted(const unsigned char* sid, size_t length, const unsigned char* trusted, size_t trustedSize)
{
    const unsigned char* end = trusted + trustedSize;
    for (size_t n; (n = SidLength(trusted, end - trusted)) != 0; trusted += n)
        if (n == length && std::memcmp(trusted, sid, length) == 0)
            return true;
    return false;
}

enum : unsigned {
    SELF_RELATIVE = 0x8000,
    DACL_PRESENT = 0x0004,
    HEADER_BYTES = 20,
    ACL_HEADER_BYTES = 8,
    ACE_SID_OFFSET = 8,
};

// Entry kinds that deny: they never open anything.
bool Denies(unsigned type)
{
    return type == 1 || type == 6 || type == 10 || type == 12;
}

}  // namespace

size_t SidLength(const unsigned char* sid, size_t room)
{
    if (room < 8 || sid[0] != 1 || sid[1] > 15)
        return 0;
    size_t length = 8 + 4u * sid[1];
    return length <= room ? length : 0;
}

SecurityVerdict JudgeSecurity(const unsigned char* sd, size_t size, const unsigned char* trusted, size_t trustedSize)
{
    if (size < HEADER_BYTES || sd[0] != 1 || !(Word(sd + 2) & SELF_RELATIVE))
        return SECURITY_UNREADABLE;
    unsigned long ownerAt = Dword(sd + 4), daclAt = Dword(sd + 16);
    size_t ownerLength = ownerAt && ownerAt < size ? SidLength(sd + ownerAt, size - ownerAt) : 0;
    if (!ownerLength)
        return SECURITY_UNREADABLE;
    if (!Trusted(sd + ownerAt, ownerLength, trusted, trustedSize))
        return SECURITY_FOREIGN_OWNER;
    // No DACL at all lets everybody do everything.
    if (!(Word(sd + 2) & DACL_PRESENT) || !daclAt)
        return SECURITY_OPEN;
    if (daclAt > size - ACL_HEADER_BYTES)
        return SECURITY_UNREADABLE;
    const unsigned char* acl = sd + daclAt;
    size_t aclSize = Word(acl + 2);
    if (aclSize < ACL_HEADER_BYTES || aclSize > size - daclAt)
        return SECURITY_UNREADABLE;
    const unsigned char* ace = acl + ACL_HEADER_BYTES;
    const unsigned char* end = acl + aclSize;
    for (unsigned i = 0, n = Word(acl + 4); i < n; ++i) {
        if (end - ace < static_cast<long>(ACE_SID_OFFSET))
            return SECURITY_UNREADABLE;
        size_t aceSize = Word(ace + 2);
        if (aceSize < ACE_SID_OFFSET || aceSize > static_cast<size_t>(end - ace))
            return SECURITY_UNREADABLE;
        unsigned type = ace[0];
        if (type == 0) {  // access allowed
            size_t sidLength = SidLength(ace + ACE_SID_OFFSET, aceSize - ACE_SID_OFFSET);
            if (!sidLength)
                return SECURITY_UNREADABLE;
            if ((Dword(ace + 4) & kChangingRights) && !Trusted(ace + ACE_SID_OFFSET, sidLength, trusted, trustedSize))
                return SECURITY_OPEN;
        } else if (!Denies(type)) {
            return SECURITY_OPEN;
        }
        ace += aceSize;
    }
    return SECURITY_CLOSED;
}
