// The element allocators: copies that own their storage, and failures that are never silent.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "model/Allocators.h"
#include "platform/win32/DebugOutput.h"
#include "trace/Trace.h"

namespace {

// Restores the failure seam whatever a test does.
class AllocatorsTest : public ::testing::Test {
protected:
    void TearDown() override { SetAllocatorFailureAfter(-1); }
};

const GUID kGuid = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};

}  // namespace

TEST_F(AllocatorsTest, BinaryCopyIsMadeInTwoStepsAndOwnsItsBytes) {
    BYTE bytes[] = {1, 2, 3};
    SBinary source = {3, bytes};
    CBinaryAllocator allocator;
    SBinary* copy = allocator.Allocate(&source);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->cb, 0u);  // the structure only, until Copy
    EXPECT_EQ(copy->lpb, nullptr);
    EXPECT_EQ(allocator.Copy(copy, &source), S_OK);
    ASSERT_EQ(copy->cb, 3u);
    EXPECT_NE(copy->lpb, bytes);
    EXPECT_EQ(std::memcmp(copy->lpb, bytes, 3), 0);
    allocator.Free(copy);  // both blocks: the sanitizer run reports a leak otherwise
}

TEST_F(AllocatorsTest, EmptyAndMissingSources) {
    CBinaryAllocator binary;
    SBinary empty = {0, nullptr};
    SBinary* copy = binary.Allocate(nullptr);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(binary.Copy(copy, &empty), S_OK);
    EXPECT_EQ(copy->cb, 0u);
    EXPECT_EQ(copy->lpb, nullptr);
    binary.Free(copy);

    CCharAllocator narrow;
    CWchar_tAllocator wide;
    CClsidAllocator clsid;
    EXPECT_EQ(narrow.Allocate(nullptr), nullptr);
    EXPECT_EQ(wide.Allocate(nullptr), nullptr);
    EXPECT_EQ(clsid.Allocate(nullptr), nullptr);

    char* emptyNarrow = narrow.Allocate("");
    ASSERT_NE(emptyNarrow, nullptr);
    EXPECT_EQ(emptyNarrow[0], '\0');
    narrow.Free(emptyNarrow);
    WCHAR* emptyWide = wide.Allocate(u"");
    ASSERT_NE(emptyWide, nullptr);
    EXPECT_EQ(emptyWide[0], 0);
    wide.Free(emptyWide);
}

TEST_F(AllocatorsTest, StringCopyOnlyOverwritesWhereTheSourceFits) {
    CCharAllocator narrow;
    char* dest = narrow.Allocate("abcdef");
    narrow.Copy(dest, "xyz");
    EXPECT_EQ(std::memcmp(dest, "xyz\0ef", 7), 0);
    narrow.Copy(dest, "123456");  // longer than the current "xyz": no room, nothing happens
    EXPECT_STREQ(dest, "xyz");
    narrow.Copy(nullptr, "abc");
    narrow.Free(dest);

    CWchar_tAllocator wide;
    WCHAR* wdest = wide.Allocate(u"abcdef");
    wide.Copy(wdest, u"xyz");
    EXPECT_EQ(std::u16string(wdest), u"xyz");
    EXPECT_EQ(wdest[4], u'e');
    wide.Copy(wdest, u"123456");
    EXPECT_EQ(std::u16string(wdest), u"xyz");
    wide.Copy(nullptr, u"abc");
    wide.Free(wdest);
}

TEST_F(AllocatorsTest, GuidCopyIsSixteenBytes) {
    CClsidAllocator clsid;
    GUID* copy = clsid.Allocate(&kGuid);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, &kGuid);
    EXPECT_TRUE(IsEqualGUID(*copy, kGuid));
    GUID other = GUID_NULL;
    clsid.Copy(&other, copy);
    EXPECT_TRUE(IsEqualGUID(other, kGuid));
    clsid.Copy(nullptr, &kGuid);
    clsid.Free(copy);
}

TEST_F(AllocatorsTest, ExhaustedHeapIsReported) {
    CCharAllocator narrow;
    SetAllocatorFailureAfter(0);
    EXPECT_EQ(narrow.Allocate("abc"), nullptr);
    CClsidAllocator clsid;
    SetAllocatorFailureAfter(0);
    EXPECT_EQ(clsid.Allocate(&kGuid), nullptr);
    CBinaryAllocator binary;
    SetAllocatorFailureAfter(0);
    EXPECT_EQ(binary.Allocate(nullptr), nullptr);

    // The byte block of a binary copy: an error, never an empty key that would pass for a value.
    BYTE bytes[] = {9, 9};
    SBinary source = {2, bytes};
    SBinary* copy = binary.Allocate(&source);
    ASSERT_NE(copy, nullptr);
    SetAllocatorFailureAfter(0);
    EXPECT_EQ(binary.Copy(copy, &source), E_OUTOFMEMORY);
    EXPECT_EQ(copy->cb, 0u);
    EXPECT_EQ(copy->lpb, nullptr);
    binary.Free(copy);
}
