// The deletion lists: grouping by store and folder, walk order, entry-id arrays.
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "engine/EntryList.h"
#include "engine/StoreIndex2FolderList.h"
#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

BYTE g_profile[] = {1};

// An entry whose four-byte id holds its number, store and folder.
CEntryReference* NewEntry(ULONG ulNumber, LONG lStore, LONG lFolder) {
    CEntryReference* p = enginetest::NewEntry(ulNumber);
    BYTE id[4] = {BYTE(ulNumber), BYTE(ulNumber >> 8), BYTE(lStore), BYTE(lFolder)};
    SBinary profile{1, g_profile};
    SBinary entry{4, id};
    EXPECT_EQ(S_OK, p->Init(&profile, lStore, lFolder, &entry, FILETIME{}, nullptr));
    return p;
}

void ReleaseAll(const std::vector<CEntryReference*>& refs) {
    for (CEntryReference* p : refs) {
        EXPECT_EQ(1u, RefCount(p));  // the lists gave back every reference they took
        p->Release();
    }
}

}  // namespace

TEST(DeletionLists, HandOutOneListPerFolderInStoreThenFolderOrder) {
    auto* pLists = new CStoreIndex2FolderList();
    pLists->AddRef();
    CEntryList* pList = reinterpret_cast<CEntryList*>(0x1);
    EXPECT_EQ(S_OK, pLists->GetFirstEntryList(&pList));  // empty: null with success
    EXPECT_EQ(nullptr, pList);

    const LONG places[4][2] = {{2, 0}, {0, 3}, {0, 1}, {0, 3}};
    std::vector<CEntryReference*> refs;
    for (int i = 0; i < 4; ++i) {
        refs.push_back(NewEntry(i + 1, places[i][0], places[i][1]));
        ASSERT_EQ(S_OK, pLists->Insert(refs.back()));
    }
    // (store, folder, count) per list, in the order handed out.
    std::vector<std::tuple<LONG, LONG, ULONG>> seen;
    for (HRESULT hr = pLists->GetFirstEntryList(&pList); SUCCEEDED(hr) && pList != nullptr;
         hr = pLists->GetNextEntryList(&pList)) {
        seen.emplace_back(pList->GetStoreIndex(), pList->GetFolderIndex(), pList->GetCount());
        pList->Release();
    }
    EXPECT_EQ((std::vector<std::tuple<LONG, LONG, ULONG>>{{0, 1, 1}, {0, 3, 2}, {2, 0, 1}}), seen);
    EXPECT_EQ(S_OK, pLists->GetNextEntryList(&pList));
    EXPECT_EQ(nullptr, pList);

    EXPECT_EQ(E_INVALIDARG, pLists->Insert(nullptr));
    EXPECT_EQ(2u, RefCount(refs[0]));
    pLists->Release();
    ReleaseAll(refs);
}

TEST(DeletionLists, EntryListTakesOneFolderGrowsBy50AndBuildsIdsInInsertionOrder) {
    auto* pList = new CEntryList();
    pList->AddRef();
    SBinaryArray ids{7, reinterpret_cast<SBinary*>(0x1)};
    ASSERT_EQ(S_OK, pList->BuildBinArray(&ids));  // no references: an empty array
    EXPECT_EQ(0u, ids.cValues);
    EXPECT_EQ(nullptr, ids.lpbin);

    std::vector<CEntryReference*> refs;
    for (ULONG i = 0; i < 51; ++i) {
        refs.push_back(NewEntry(i + 1, 1, 4));
        ASSERT_EQ(S_OK, pList->AddEntry(refs.back()));
        EXPECT_EQ(i < 50 ? 50u : 100u, pList->GetCapacity());
    }
    // Entries of another folder or store are refused; the same reference twice is held twice.
    std::vector<CEntryReference*> others = {NewEntry(90, 1, 3), NewEntry(91, 0, 4)};
    EXPECT_EQ(E_INVALIDARG, pList->AddEntry(others[0]));
    EXPECT_EQ(E_INVALIDARG, pList->AddEntry(others[1]));
    EXPECT_EQ(E_INVALIDARG, pList->AddEntry(nullptr));
    ASSERT_EQ(S_OK, pList->AddEntry(refs[0]));
    EXPECT_EQ(3u, RefCount(refs[0]));
    EXPECT_EQ(52u, pList->GetCount());

    ASSERT_EQ(S_OK, pList->BuildBinArray(&ids));
    ASSERT_EQ(52u, ids.cValues);
    for (ULONG i = 0; i < 52; ++i) {
        ASSERT_EQ(4u, ids.lpbin[i].cb);
        EXPECT_EQ(BYTE(i % 51 + 1), ids.lpbin[i].lpb[0]);
    }
    EXPECT_EQ(S_OK, CEntryList::FreeBinArray(&ids));
    EXPECT_EQ(0u, ids.cValues);
    EXPECT_EQ(S_OK, CEntryList::FreeBinArray(&ids));  // already empty: nothing happens

    // A pointer that is set is freed even when the count never rose.
    SBinaryArray partial{0, static_cast<SBinary*>(std::calloc(2, sizeof(SBinary)))};
    EXPECT_EQ(S_OK, CEntryList::FreeBinArray(&partial));
    EXPECT_EQ(nullptr, partial.lpbin);

    pList->Release();
    ReleaseAll(refs);
    ReleaseAll(others);
}
