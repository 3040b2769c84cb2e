// The duplicate group: entry order, replacement by number, walk edges and references.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

// A drawer with the numbers filed in the given order; the entries go to *pRefs, each still held
// by the caller, or are left to the drawer.
CSortDrawer* FillDrawer(const std::vector<ULONG>& numbers, std::vector<CEntryReference*>* pRefs = nullptr) {
    RowBuilder row;
    row.Long(1);
    CSortDrawer* pDrawer = NewDrawer(row.Row());
    for (ULONG n : numbers) {
        CEntryReference* pEntry = NewEntry(n);
        EXPECT_EQ(S_OK, pDrawer->Insert(pEntry));
        if (pRefs != nullptr) {
            pRefs->push_back(pEntry);
        } else {
            pEntry->Release();
        }
    }
    return pDrawer;
}

}  // namespace

TEST(SortDrawer, WalksBucketsInOrderAndNewestFirstWithinABucket) {
    // A large group is kept by bucket: its walk is every bucket in turn, newest first in each.
    std::vector<ULONG> many(600), large;
    std::iota(many.begin(), many.end(), 1);
    for (ULONG bucket = 0; bucket < 17; ++bucket) {
        for (ULONG n = 600; n >= 1; --n) {
            if (CSortDrawer::BucketOf(n) == bucket) {
                large.push_back(n);
            }
        }
    }
    const struct {
        std::vector<ULONG> filed, walked;
    } cases[] = {
        {{3, 7, 20, 300}, {7, 3, 300, 20}},
        {{15, 16}, {15, 16}},
        {{16, 15}, {15, 16}},
        {{5, 277}, {277, 5}},
        // Bucket 16 holds 256..271; 272 wraps round to bucket 0 after the numbers below 16.
        {{1, 20, 256, 272}, {272, 1, 20, 256}},
        {many, large},
    };
    for (const auto& c : cases) {
        CSortDrawer* pDrawer = FillDrawer(c.filed);
        EXPECT_EQ(c.walked, EntryNumbers(pDrawer));
        pDrawer->Release();
    }
}

TEST(SortDrawer, ReplacingANumberKeepsItsPlaceAndReleasesTheOldEntry) {
    std::vector<ULONG> many(600);  // enough for the bucketed form
    std::iota(many.begin(), many.end(), 1);
    for (const std::vector<ULONG>& numbers : {std::vector<ULONG>{20, 3}, many}) {
        SCOPED_TRACE(numbers.size());
        std::vector<CEntryReference*> refs;
        CSortDrawer* pDrawer = FillDrawer(numbers, &refs);
        EXPECT_EQ(2u, RefCount(refs[0]));
        CEntryReference* pNew = NewEntry(numbers[0]);
        std::vector<CEntryReference*> expected = Entries(pDrawer);
        std::replace(expected.begin(), expected.end(), refs[0], pNew);

        ASSERT_EQ(S_OK, pDrawer->Insert(pNew));
        EXPECT_EQ(expected, Entries(pDrawer));
        EXPECT_EQ(numbers.size(), pDrawer->GetCount());
        EXPECT_EQ(1u, RefCount(refs[0]));
        EXPECT_EQ(2u, RefCount(pNew));

        // The same entry again replaces itself without being freed on the way.
        ASSERT_EQ(S_OK, pDrawer->Insert(pNew));
        EXPECT_EQ(2u, RefCount(pNew));

        pDrawer->Release();
        refs.push_back(pNew);
        for (CEntryReference* p : refs) {
            EXPECT_EQ(1u, RefCount(p));
            p->Release();
        }
    }
}

TEST(SortDrawer, EmptyDrawerAndWalkEdges) {
    CSortDrawer* pDrawer = new CSortDrawer();
    pDrawer->AddRef();
    EXPECT_EQ(0u, pDrawer->GetCount());
    CEntryReference* pEntry = reinterpret_cast<CEntryReference*>(0x1);
    EXPECT_EQ(S_OK, pDrawer->FindNext(&pEntry));  // before any FindFirst
    EXPECT_EQ(nullptr, pEntry);
    EXPECT_EQ(S_OK, pDrawer->FindFirst(&pEntry));
    EXPECT_EQ(nullptr, pEntry);
    EXPECT_EQ(E_INVALIDARG, pDrawer->Insert(nullptr));
    LPSRow lpLabel = reinterpret_cast<LPSRow>(0x1);
    EXPECT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpLabel));
    EXPECT_EQ(nullptr, lpLabel);

    CEntryReference* pOne = NewEntry(1);
    pDrawer->Insert(pOne);
    pOne->Release();
    ASSERT_EQ(S_OK, pDrawer->FindFirst(&pEntry));
    pEntry->Release();
    for (int i = 0; i < 2; ++i) {  // past the end, and again
        EXPECT_EQ(S_OK, pDrawer->FindNext(&pEntry));
        EXPECT_EQ(nullptr, pEntry);
    }
    // A drawer whose count already stands at 0 is destroyed by Release as well.
    EXPECT_EQ(0u, pDrawer->Release());
    EXPECT_EQ(0u, (new CSortDrawer())->Release());
}
