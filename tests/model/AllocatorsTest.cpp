// The element allocators: copies that own their storage, and failures that are never silent.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "model/Allocators.h"

namespace {

// Restores the failure seam whatever a test does.
class AllocatorsTest : public ::testing::Test {
protected:
    void TearDown() override { SetAllocatorFailureAfter(-1); }
};

const GUID kGuid = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};

// Narrow and wide texts are copied alike; each width spells the same texts.
template <class Allocator, class Char>
void CheckTextCopies(const Char* abcdef, const Char* xyz, const Char* longer, const Char* empty) {
    Allocator allocator;
    EXPECT_EQ(nullptr, allocator.Allocate(nullptr));
    Char* pEmpty = allocator.Allocate(empty);
    ASSERT_NE(nullptr, pEmpty);
    EXPECT_EQ(0, pEmpty[0]);
    allocator.Free(pEmpty);

    Char* dest = allocator.Allocate(abcdef);
    allocator.Copy(dest, xyz);
    EXPECT_EQ(std::basic_string<Char>(xyz), dest);
    EXPECT_EQ(abcdef[4], dest[4]);  // only the copied text and its terminator were written
    allocator.Copy(dest, longer);   // no room beyond the current text: nothing happens
    EXPECT_EQ(std::basic_string<Char>(xyz), dest);
    allocator.Copy(nullptr, xyz);
    allocator.Free(dest);
}

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

    SBinary empty = {0, nullptr};
    copy = allocator.Allocate(nullptr);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(allocator.Copy(copy, &empty), S_OK);
    EXPECT_EQ(copy->cb, 0u);
    EXPECT_EQ(copy->lpb, nullptr);
    allocator.Free(copy);
}

TEST_F(AllocatorsTest, TextAndGuidCopiesOwnTheirStorage) {
    CheckTextCopies<CCharAllocator>("abcdef", "xyz", "123456", "");
    CheckTextCopies<CWchar_tAllocator>(u"abcdef", u"xyz", u"123456", u"");

    CClsidAllocator clsid;
    EXPECT_EQ(clsid.Allocate(nullptr), nullptr);
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
    CWchar_tAllocator wide;
    SetAllocatorFailureAfter(0);
    EXPECT_EQ(wide.Allocate(u"abc"), nullptr);
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
