// The entry reference: copies of keys and subject, argument checks, reference counting.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

BYTE g_profile[] = {1, 2, 3};
BYTE g_entry[] = {9, 8, 7, 6};
const SBinary kProfile{sizeof(g_profile), g_profile};
const SBinary kEntry{sizeof(g_entry), g_entry};

}  // namespace

TEST(EntryReference, InitCopiesEverythingRefusesBadArgumentsAndGettersHandOutCopies) {
    CEntryReference* pRef = NewEntry(42);
    SBinary id{1, reinterpret_cast<LPBYTE>(0x1)};
    ASSERT_EQ(S_OK, pRef->GetEntryID(&id));  // never initialised: empty with success
    EXPECT_EQ(0u, id.cb);
    EXPECT_EQ(nullptr, id.lpb);

    ASSERT_EQ(S_OK, pRef->Init(&kProfile, 2, 5, &kEntry, FILETIME{10, 20}, "Hello"));
    ASSERT_EQ(S_OK, pRef->GetEntryID(&id));
    ASSERT_EQ(sizeof(g_entry), id.cb);
    EXPECT_NE(g_entry, id.lpb);
    EXPECT_EQ(0, std::memcmp(g_entry, id.lpb, id.cb));
    std::free(id.lpb);
    EXPECT_EQ("Hello", Subject(pRef));

    // A second Init keeps only the new values; an empty subject is a subject, a null one is none.
    BYTE other[] = {5};
    SBinary otherEntry{1, other};
    ASSERT_EQ(S_OK, pRef->Init(&kProfile, 0, 0, &otherEntry, FILETIME{1, 1}, ""));
    ASSERT_EQ(S_OK, pRef->GetEntryID(&id));
    EXPECT_EQ(1u, id.cb);
    std::free(id.lpb);
    EXPECT_EQ("", Subject(pRef));
    ASSERT_EQ(S_OK, pRef->Init(&kProfile, 0, 0, &otherEntry, FILETIME{1, 1}, nullptr));
    EXPECT_EQ("<null>", Subject(pRef));
    EXPECT_EQ(42u, pRef->GetNumber());

    // Bad arguments are refused and change nothing.
    ASSERT_EQ(S_OK, pRef->Init(&kProfile, 1, 1, &kEntry, FILETIME{}, "keep"));
    const SBinary noKey{0, g_profile};
    const SBinary nullBytes{3, nullptr};
    EXPECT_EQ(E_INVALIDARG, pRef->Init(&noKey, 1, 1, &kEntry, FILETIME{}, nullptr));
    EXPECT_EQ(E_INVALIDARG, pRef->Init(&kProfile, -1, 1, &kEntry, FILETIME{}, nullptr));
    EXPECT_EQ(E_INVALIDARG, pRef->Init(&kProfile, 1, -1, &kEntry, FILETIME{}, nullptr));
    EXPECT_EQ(E_INVALIDARG, pRef->Init(&kProfile, 1, 1, &nullBytes, FILETIME{}, nullptr));
    EXPECT_EQ(1, pRef->GetFolderIndex());
    EXPECT_EQ("keep", Subject(pRef));
    EXPECT_EQ(2u, pRef->AddRef());
    EXPECT_EQ(1u, pRef->Release());
    EXPECT_EQ(0u, pRef->Release());
    // Release of a reference that never had a count deletes it too.
    EXPECT_EQ(0u, (new CEntryReference(3))->Release());
}
