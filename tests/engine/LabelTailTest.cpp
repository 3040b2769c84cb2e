// Filing in one pass, and labels kept in tails below the line where they part from the others.
#include <gtest/gtest.h>

#include "engine/SmallBlockPool.h"
#include "platform/mapi/MAPIFunctions.h"
#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

// Files a new entry reference numbered n in one pass; the caller's reference is dropped again.
HRESULT InsertNumbered(CDrawerMap* pMap, RowBuilder& row, LPSPropTagArray lpColumns, ULONG n,
                       CEntryReference** ppKept = nullptr) {
    CEntryReference* pRef = NewEntry(n);
    const HRESULT hr = pMap->InsertEntry(&row.Row(), 0, lpColumns, pRef);
    if (ppKept != nullptr) {
        *ppKept = pRef;
    } else {
        pRef->Release();
    }
    return hr;
}

std::vector<std::vector<ULONG>> Groups(CDrawerMap* pMap) {
    std::vector<std::vector<ULONG>> groups;
    for (CSortDrawer* pDrawer : Walk(pMap)) {
        groups.push_back(EntryNumbers(pDrawer));
    }
    return groups;
}

}  // namespace

// Labels that part at every column, filed in one pass and in two steps: each label one drawer,
// labelled with its row, the walk in the order of the labels; a label whose values are all those
// of a tail finds the tail's drawer.
TEST(LabelTail, LabelsPartingAtEveryColumnGroupAndWalkAsInAFullTree) {
    RowBuilder rows[6];
    rows[0].Long(1).String("b").Binary({1});
    rows[1].Long(1).String("a").Binary({2});
    rows[2].Long(1).String("a").Binary({1});
    rows[3].Long(0).String("z").Binary({});
    rows[4].Long(1).String("b").Binary({1});  // rows[0] again
    rows[5].Long(1).String("a").Binary({1, 0});
    LPSPropTagArray lpColumns = rows[0].Columns();
    CDrawerMap* pMap = MakeIndex(lpColumns);

    EXPECT_EQ(S_OK, InsertNumbered(pMap, rows[0], lpColumns, 1));
    CSortDrawer* pFirst = nullptr;
    ASSERT_EQ(S_OK, pMap->LookupDrawer(&rows[4].Row(), 0, lpColumns, &pFirst));
    ASSERT_NE(nullptr, pFirst);
    // The new drawer carries the row as its label.
    LPSRow lpLabel = nullptr;
    ASSERT_EQ(S_OK, pFirst->GetDrawerLabel(&lpLabel));
    ASSERT_EQ(3u, lpLabel->cValues);
    EXPECT_EQ(1, lpLabel->lpProps[0].Value.l);
    EXPECT_STREQ("b", lpLabel->lpProps[1].Value.lpszA);
    EXPECT_EQ(1u, lpLabel->lpProps[2].Value.bin.cb);
    MAPIFreeBuffer(lpLabel);
    // A label that shares the first values of a tail and differs in the last is not found.
    CSortDrawer* pNone = reinterpret_cast<CSortDrawer*>(0x1);
    EXPECT_EQ(S_OK, pMap->LookupDrawer(&rows[2].Row(), 0, lpColumns, &pNone));
    EXPECT_EQ(nullptr, pNone);

    for (ULONG i = 1; i < 6; ++i) {
        FileEntry(pMap, rows[i].Row(), lpColumns, i + 1);
    }
    // (0,z,{}), (1,a,{1}), (1,a,{2}), (1,a,{1,0}), (1,b,{1}): a shorter binary value comes first.
    EXPECT_EQ((std::vector<std::vector<ULONG>>{{4}, {3}, {2}, {6}, {5, 1}}), Groups(pMap));
    EXPECT_EQ(pFirst, Walk(pMap).back());
    EXPECT_EQ(2u, RefCount(pFirst));  // the index's and ours
    pFirst->Release();

    // A drawer filed under the label of a tail takes the old one's place, as on the last line.
    CSortDrawer* pOther = NewDrawer(rows[3].Row());
    ASSERT_EQ(S_OK, pMap->InsertDrawer(&rows[3].Row(), 0, lpColumns, &pOther));
    EXPECT_EQ(pOther, Walk(pMap).front());
    EXPECT_EQ(5u, Walk(pMap).size());
    EXPECT_EQ(0u, pMap->Release());
    EXPECT_EQ(1u, RefCount(pOther));
    pOther->Release();
}

// The search stops at the first failure, so a failed filing must leave the groups as they were:
// a value of the wrong type in a column below the new key, a missing entry, memory that runs out
// while a tail is made or gives way to lines.
TEST(LabelTail, FailedFilingsLeaveTheGroupsAndTheEntryAsTheyWere) {
    RowBuilder filed, wrongType, parting;
    filed.Long(1).String("a").Long(5);
    wrongType.Long(2).String("a").Short(5);
    parting.Long(1).String("a").Long(6);
    wrongType.ColumnTypes({PT_LONG, PT_STRING8, PT_LONG});
    LPSPropTagArray lpColumns = filed.Columns();
    CDrawerMap* pMap = MakeIndex(lpColumns);
    ASSERT_EQ(S_OK, InsertNumbered(pMap, filed, lpColumns, 1));

    CEntryReference* pRef = NewEntry(2);
    EXPECT_EQ(E_INVALIDARG, pMap->InsertEntry(&filed.Row(), 0, lpColumns, nullptr));
    // Under a new first value, and under the tail of an old one.
    EXPECT_EQ(E_UNEXPECTED, pMap->InsertEntry(&wrongType.Row(), 0, lpColumns, pRef));
    RowBuilder wrongUnderTail;
    wrongUnderTail.Long(1).String("a").Short(5).ColumnTypes({PT_LONG, PT_STRING8, PT_LONG});
    EXPECT_EQ(E_UNEXPECTED, pMap->InsertEntry(&wrongUnderTail.Row(), 0, lpColumns, pRef));
    EXPECT_EQ(1u, RefCount(pRef));
    EXPECT_EQ((std::vector<std::vector<ULONG>>{{1}}), Groups(pMap));

    // Each allocation of a new label's filing fails in turn until the filing goes through.
    auto FilesAfterFailures = [&](RowBuilder& row) {
        int nFailures = 0;
        const auto before = Groups(pMap);
        const ULONG cRefsBefore = RefCount(pRef);
        for (int nSkip = 0; nSkip < 12; ++nSkip) {
            CPooledObject::SetFailureAfter(nSkip);
            const HRESULT hr = pMap->InsertEntry(&row.Row(), 0, lpColumns, pRef);
            CPooledObject::SetFailureAfter(-1);
            if (SUCCEEDED(hr)) {
                break;
            }
            EXPECT_EQ(E_OUTOFMEMORY, hr);
            EXPECT_EQ(before, Groups(pMap));
            EXPECT_EQ(cRefsBefore, RefCount(pRef));
            ++nFailures;
        }
        EXPECT_GT(nFailures, 0);
        EXPECT_EQ(before.size() + 1, Groups(pMap).size());
    };
    FilesAfterFailures(parting);  // the tail of (1, a, 5) gives way to lines
    RowBuilder fresh;
    fresh.Long(3).String("c").Long(7);
    FilesAfterFailures(fresh);  // a new first value, below which a tail is made
    EXPECT_EQ((std::vector<std::vector<ULONG>>{{1}, {2}, {2}}), Groups(pMap));
    pMap->Release();
    EXPECT_EQ(1u, RefCount(pRef));
    pRef->Release();
}

// A walk that has handed out a tail's drawer goes on with the next drawer, also when a filing in
// between turned that tail into lines; and at call-trace level, where every line is made, labels
// meet the tails filed before.
TEST(LabelTail, WalksAndTraceLevelsMeetTailsAndLinesAlike) {
    RowBuilder a, b, c, d;
    a.Long(1).Long(1).Long(1);
    b.Long(1).Long(1).Long(2);
    c.Long(2).Long(0).Long(0);
    d.Long(1).Long(0).Long(9);
    LPSPropTagArray lpColumns = a.Columns();
    CDrawerMap* pMap = MakeIndex(lpColumns);
    ASSERT_EQ(S_OK, InsertNumbered(pMap, a, lpColumns, 1));
    ASSERT_EQ(S_OK, InsertNumbered(pMap, c, lpColumns, 2));
    CSortDrawer* pDrawer = nullptr;
    ASSERT_EQ(S_OK, pMap->FindFirst(&pDrawer));
    EXPECT_EQ((std::vector<ULONG>{1}), EntryNumbers(pDrawer));
    pDrawer->Release();
    ASSERT_EQ(S_OK, InsertNumbered(pMap, b, lpColumns, 3));
    ASSERT_EQ(S_OK, pMap->FindNext(&pDrawer));
    ASSERT_NE(nullptr, pDrawer);
    EXPECT_EQ((std::vector<ULONG>{2}), EntryNumbers(pDrawer));
    pDrawer->Release();

    {
        qrvtest::TraceCapture trace(TRACE_CALL);
        ASSERT_EQ(S_OK, InsertNumbered(pMap, d, lpColumns, 4));
        ASSERT_EQ(S_OK, InsertNumbered(pMap, c, lpColumns, 5));
        ASSERT_EQ(S_OK, InsertNumbered(pMap, b, lpColumns, 6));
    }
    ASSERT_EQ(S_OK, InsertNumbered(pMap, d, lpColumns, 7));
    EXPECT_EQ((std::vector<std::vector<ULONG>>{{7, 4}, {1}, {6, 3}, {5, 2}}), Groups(pMap));
    pMap->Release();
}
