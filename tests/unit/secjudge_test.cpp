// Who may change the program directory and what is in it: the decision on a
// descriptor's owner and entries, with SIDs written out as bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "install/secjudge.h"

namespace {

typedef std::vector<uint8_t> Bytes;

// S-1-5-<sub...> (the NT authority) and S-1-1-0 (Everyone), as laid out.
Bytes Sid(uint8_t authority, std::vector<uint32_t> subs)
{
    Bytes b = {1, static_cast<uint8_t>(subs.size()), 0, 0, 0, 0, 0, authority};
    for (uint32_t s : subs)
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<uint8_t>(s >> (8 * i)));
    return b;
}
const Bytes kAdmins = Sid(5, {32, 544}), kSystem = Sid(5, {18}), kUsers = Sid(5, {32, 545});
const Bytes kInstaller = Sid(5, {80, 956008885u, 3418522649u, 1831038044u, 1853292631u, 2271478464u});
const Bytes kRunner = Sid(5, {21, 1, 2, 3, 500}), kStranger = Sid(5, {21, 1, 2, 3, 1001});
const Bytes kEveryone = Sid(1, {0}), kCreatorOwner = Sid(3, {0});

struct Ace {
    uint8_t type, flags;
    uint32_t mask;
    Bytes sid;
};

void Put16(Bytes& b, size_t at, unsigned v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(Bytes& b, size_t at, uint32_t v)
{
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

// A self-relative descriptor: header, owner, then the DACL (none when dacl is false).
Bytes Descriptor(const Bytes& owner, bool dacl, const std::vector<Ace>& aces)
{
    Bytes b(20, 0);
    b[0] = 1;
    Put16(b, 2, 0x8000 | (dacl ? 4 : 0));
    Put32(b, 4, 20);
    b.insert(b.end(), owner.begin(), owner.end());
    if (!dacl)
        return b;
    size_t acl = b.size();
    Put32(b, 16, static_cast<uint32_t>(acl));
    b.resize(acl + 8, 0);
    b[acl] = 2;
    Put16(b, acl + 4, static_cast<unsigned>(aces.size()));
    for (const Ace& a : aces) {
        size_t at = b.size();
        b.resize(at + 8, 0);
        b[at] = a.type;
        b[at + 1] = a.flags;
        Put16(b, at + 2, static_cast<unsigned>(8 + a.sid.size()));
        Put32(b, at + 4, a.mask);
        b.insert(b.end(), a.sid.begin(), a.sid.end());
    }
    Put16(b, acl + 2, static_cast<unsigned>(b.size() - acl));
    return b;
}

SecurityVerdict Judge(const Bytes& sd)
{
    Bytes trusted;
    for (const Bytes* sid : {&kAdmins, &kSystem, &kInstaller, &kRunner})
        trusted.insert(trusted.end(), sid->begin(), sid->end());
    return JudgeSecurity(sd.data(), sd.size(), trusted.data(), trusted.size());
}

const uint32_t kFull = 0x1F01FF, kReadExecute = 0x1200A9, kModify = 0x1301BF;
enum : uint8_t { ALLOW = 0, DENY = 1, INHERIT_ONLY = 0x08 | 0x01 | 0x02 };

TEST(SecJudge, OwnersAndEntries)
{
    const Ace ours[] = {{ALLOW, 3, kFull, kAdmins}, {ALLOW, 3, kFull, kSystem}, {ALLOW, 3, kReadExecute, kUsers}};
    const struct {
        const char* what;
        Bytes sd;
        SecurityVerdict verdict;
    } cases[] = {
        {"the program directory's own rights", Descriptor(kAdmins, true, {ours[0], ours[1], ours[2]}), SECURITY_CLOSED},
        {"owned by the administrator who runs it", Descriptor(kRunner, true, {ours[0]}), SECURITY_CLOSED},
        {"owned by SYSTEM", Descriptor(kSystem, true, {}), SECURITY_CLOSED},
        {"owned by TrustedInstaller", Descriptor(kInstaller, true, {ours[0]}), SECURITY_CLOSED},
        {"made beforehand by a standard user", Descriptor(kStranger, true, {ours[0]}), SECURITY_FOREIGN_OWNER},
        {"a foreign owner comes before open entries", Descriptor(kStranger, true, {{ALLOW, 3, kFull, kEveryone}}),
         SECURITY_FOREIGN_OWNER},
        {"Everyone may write", Descriptor(kAdmins, true, {ours[0], {ALLOW, 3, kModify, kEveryone}}), SECURITY_OPEN},
        {"a user may only delete", Descriptor(kAdmins, true, {{ALLOW, 0, 0x10000, kStranger}}), SECURITY_OPEN},
        {"a user may change the rights", Descriptor(kAdmins, true, {{ALLOW, 0, 0x40000, kStranger}}), SECURITY_OPEN},
        {"generic write", Descriptor(kAdmins, true, {{ALLOW, 0, 0x40000000, kUsers}}), SECURITY_OPEN},
        {"passed on only, to what is made inside", Descriptor(kAdmins, true, {{ALLOW, INHERIT_ONLY, kFull, kCreatorOwner}}),
         SECURITY_OPEN},
        {"Users read and execute", Descriptor(kAdmins, true, {{ALLOW, 3, kReadExecute, kUsers}}), SECURITY_CLOSED},
        {"a denial opens nothing", Descriptor(kAdmins, true, {{DENY, 0, kFull, kEveryone}}), SECURITY_CLOSED},
        {"an entry of another kind", Descriptor(kAdmins, true, {{9, 0, kReadExecute, kUsers}}), SECURITY_OPEN},
        {"no DACL: everybody may do everything", Descriptor(kAdmins, false, {}), SECURITY_OPEN},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Judge(c.sd), c.verdict) << c.what;
}

TEST(SecJudge, DamagedDescriptorsAreNotTrusted)
{
    Bytes good = Descriptor(kAdmins, true, {{ALLOW, 3, kFull, kAdmins}});
    ASSERT_EQ(Judge(good), SECURITY_CLOSED);
    // Cut anywhere, the descriptor is never taken for a closed one.
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_NE(Judge(Bytes(good.begin(), good.begin() + n)), SECURITY_CLOSED) << n << " bytes";
    Bytes absolute = good;
    absolute[3] = 0;  // not self-relative
    EXPECT_EQ(Judge(absolute), SECURITY_UNREADABLE);
    Bytes noOwner = good;
    Put32(noOwner, 4, 0);
    EXPECT_EQ(Judge(noOwner), SECURITY_UNREADABLE);
    Bytes longAce = good;
    Put16(longAce, longAce.size() - kAdmins.size() - 6, 0xFFF);  // an entry longer than its ACL
    EXPECT_EQ(Judge(longAce), SECURITY_UNREADABLE);
    EXPECT_EQ(SidLength(kInstaller.data(), kInstaller.size()), 32u);
    EXPECT_EQ(SidLength(kInstaller.data(), kInstaller.size() - 1), 0u);
}

}  // namespace
