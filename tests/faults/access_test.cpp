// Access violations reach a program as Windows reports them: caught where the program
// guards the access (IsBadReadPtr, IsBadWritePtr), and seen by its exception handlers
// with the kind of access and the address. Where the tests run the 32-bit programs
// through CPU emulation (tools/qemu), this holds only while tools/qemu/trapno.c gives
// Wine the fault's real trap number; without it a bad pointer ends the program as an
// "illegal instruction", and every test that runs the Installer there means nothing.
#include <gtest/gtest.h>

#include <windows.h>

namespace {

struct Seen {
    DWORD code;
    ULONG_PTR kind;
    ULONG_PTR address;
    int count;
};
Seen seen;

LONG CALLBACK Record(EXCEPTION_POINTERS* p)
{
    const EXCEPTION_RECORD* r = p->ExceptionRecord;
    seen.code = r->ExceptionCode;
    seen.kind = r->NumberParameters >= 2 ? r->ExceptionInformation[0] : ~ULONG_PTR(0);
    seen.address = r->NumberParameters >= 2 ? r->ExceptionInformation[1] : 0;
    seen.count++;
    return EXCEPTION_CONTINUE_SEARCH;
}

class AccessViolation : public ::testing::Test {
protected:
    void SetUp() override
    {
        seen = Seen();
        handler = AddVectoredExceptionHandler(1, Record);
        ASSERT_NE(handler, nullptr);
    }
    void TearDown() override { RemoveVectoredExceptionHandler(handler); }
    void* handler = nullptr;
};

TEST_F(AccessViolation, ReadingABadPointerIsCaughtAsARead)
{
    void* bad = reinterpret_cast<void*>(16);
    EXPECT_TRUE(IsBadReadPtr(bad, 4));
    EXPECT_EQ(seen.code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_EQ(seen.kind, 0u) << "0 is a read, 1 a write, 8 an execution";
    EXPECT_EQ(seen.address, 16u);
}

TEST_F(AccessViolation, WritingAReadOnlyPageIsCaughtAsAWrite)
{
    char* page = static_cast<char*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READONLY));
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(IsBadReadPtr(page + 8, 4));
    EXPECT_EQ(seen.count, 0);
    EXPECT_TRUE(IsBadWritePtr(page + 8, 4));
    EXPECT_EQ(seen.code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_EQ(seen.kind, 1u) << "0 is a read, 1 a write, 8 an execution";
    EXPECT_EQ(seen.address, reinterpret_cast<ULONG_PTR>(page + 8));
    VirtualFree(page, 0, MEM_RELEASE);
}

}  // namespace
