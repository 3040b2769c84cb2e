// The duplicate group: entry order, replacement by number, labels and references.
#include <gtest/gtest.h>

#include "model/RowSet.h"
#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

CEntryReference* NewEntry(ULONG ulNumber) {
    auto* p = new CEntryReference(ulNumber);
    p->AddRef();
    return p;
}

std::vector<ULONG> WalkNumbers(CSortDrawer* pDrawer) {
    std::vector<ULONG> numbers;
    CEntryReference* pEntry = nullptr;
    for (HRESULT hr = pDrawer->FindFirst(&pEntry); SUCCEEDED(hr) && pEntry != nullptr;
         hr = pDrawer->FindNext(&pEntry)) {
        numbers.push_back(pEntry->GetNumber());
        pEntry->Release();
    }
    return numbers;
}

// Files the numbers in the given order and hands back the walk.
std::vector<ULONG> OrderOf(std::vector<ULONG> filed) {
    RowBuilder row;
    row.Long(1);
    CSortDrawer* pDrawer = NewDrawer(row.Row());
    for (ULONG n : filed) {
        CEntryReference* pEntry = NewEntry(n);
        EXPECT_EQ(S_OK, pDrawer->Insert(pEntry));
        pEntry->Release();
    }
    std::vector<ULONG> walked = WalkNumbers(pDrawer);
    pDrawer->Release();
    return walked;
}

}  // namespace

TEST(SortDrawer, WalksBucketsInOrderAndNewestFirstWithinABucket) {
    EXPECT_EQ((std::vector<ULONG>{7, 3, 300, 20}), OrderOf({3, 7, 20, 300}));
    EXPECT_EQ((std::vector<ULONG>{15, 16}), OrderOf({15, 16}));
    EXPECT_EQ((std::vector<ULONG>{15, 16}), OrderOf({16, 15}));
    EXPECT_EQ((std::vector<ULONG>{277, 5}), OrderOf({5, 277}));
    // Bucket 16 holds 256..271; 272 wraps round to bucket 0 after the numbers below 16.
    EXPECT_EQ((std::vector<ULONG>{272, 1, 20, 256}), OrderOf({1, 20, 256, 272}));
}

TEST(SortDrawer, ReplacingANumberKeepsItsPlaceAndReleasesTheOldEntry) {
    RowBuilder row;
    row.Long(1);
    CSortDrawer* pDrawer = NewDrawer(row.Row());
    CEntryReference* pOld = NewEntry(20);
    CEntryReference* pOther = NewEntry(3);
    CEntryReference* pNew = NewEntry(20);
    ASSERT_EQ(S_OK, pDrawer->Insert(pOld));
    ASSERT_EQ(S_OK, pDrawer->Insert(pOther));
    EXPECT_EQ(2u, RefCount(pOld));

    ASSERT_EQ(S_OK, pDrawer->Insert(pNew));
    EXPECT_EQ(2u, pDrawer->GetCount());
    EXPECT_EQ(1u, RefCount(pOld));
    EXPECT_EQ(2u, RefCount(pNew));
    CEntryReference* pFirst = nullptr;
    ASSERT_EQ(S_OK, pDrawer->FindFirst(&pFirst));
    EXPECT_EQ(pOther, pFirst);
    pFirst->Release();
    CEntryReference* pSecond = nullptr;
    ASSERT_EQ(S_OK, pDrawer->FindNext(&pSecond));
    EXPECT_EQ(pNew, pSecond);
    pSecond->Release();

    // The same entry again replaces itself without being freed on the way.
    ASSERT_EQ(S_OK, pDrawer->Insert(pNew));
    EXPECT_EQ(2u, RefCount(pNew));

    pDrawer->Release();
    EXPECT_EQ(1u, RefCount(pNew));
    EXPECT_EQ(1u, RefCount(pOther));
    pOld->Release();
    pOther->Release();
    pNew->Release();
}

TEST(SortDrawer, EmptyDrawerAndWalkEdges) {
    TraceCapture trace;
    CSortDrawer* pDrawer = new CSortDrawer();
    pDrawer->AddRef();
    EXPECT_EQ(0u, pDrawer->GetCount());
    CEntryReference* pEntry = reinterpret_cast<CEntryReference*>(0x1);
    EXPECT_EQ(S_OK, pDrawer->FindNext(&pEntry));  // before any FindFirst
    EXPECT_EQ(nullptr, pEntry);
    EXPECT_EQ(S_OK, pDrawer->FindFirst(&pEntry));
    EXPECT_EQ(nullptr, pEntry);
    EXPECT_EQ(E_INVALIDARG, pDrawer->Insert(nullptr));
    EXPECT_TRUE(trace.Contains("Failure: Invalid object specified!\n"));

    LPSRow lpLabel = reinterpret_cast<LPSRow>(0x1);
    EXPECT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpLabel));
    EXPECT_EQ(nullptr, lpLabel);

    CEntryReference* pOne = NewEntry(1);
    pDrawer->Insert(pOne);
    pOne->Release();
    ASSERT_EQ(S_OK, pDrawer->FindFirst(&pEntry));
    pEntry->Release();
    EXPECT_EQ(S_OK, pDrawer->FindNext(&pEntry));
    EXPECT_EQ(nullptr, pEntry);
    EXPECT_EQ(S_OK, pDrawer->FindNext(&pEntry));
    EXPECT_EQ(nullptr, pEntry);
    // A drawer whose count already stands at 0 is destroyed by Release as well.
    EXPECT_EQ(0u, pDrawer->Release());
    CSortDrawer* pNever = new CSortDrawer();
    EXPECT_EQ(0u, pNever->Release());
}

TEST(SortDrawer, KeepsItsOwnDeepCopyOfTheLabel) {
    RowBuilder row;
    row.String("copied").Long(42);
    CSortDrawer* pDrawer = NewDrawer(row.Row());
    row.Row().lpProps[0].Value.lpszA[0] = 'X';  // the caller's row changes afterwards
    LPSRow lpLabel = nullptr;
    ASSERT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpLabel));
    ASSERT_NE(nullptr, lpLabel);
    ASSERT_EQ(2u, lpLabel->cValues);
    EXPECT_STREQ("copied", lpLabel->lpProps[0].Value.lpszA);
    EXPECT_EQ(42, lpLabel->lpProps[1].Value.l);
    FreeRowSet(&lpLabel);

    // A second Init replaces the label; a failed copy leaves no half label behind.
    RowBuilder other;
    other.Long(7);
    ASSERT_EQ(S_OK, pDrawer->Init(&other.Row()));
    ASSERT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpLabel));
    EXPECT_EQ(1u, lpLabel->cValues);
    FreeRowSet(&lpLabel);

    CPooledObject::SetFailureAfter(0);
    EXPECT_TRUE(FAILED(pDrawer->Init(&row.Row())));
    CPooledObject::SetFailureAfter(-1);
    ASSERT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpLabel));
    EXPECT_EQ(nullptr, lpLabel);
    EXPECT_EQ(E_INVALIDARG, pDrawer->Init(nullptr));
    pDrawer->Release();
}
