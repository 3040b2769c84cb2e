// The search result: which index each folder gets in each compare mode, growth and references.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/DrawerMapList.h"
#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

SizedSPropTagArray(1, g_columns) = {1, {PR_SUBJECT}};
const LPSPropTagArray kColumns = reinterpret_cast<LPSPropTagArray>(&g_columns);

CDrawerMapList* NewList(LONG lMode, ULONG ulGrow = 10) {
    auto* p = new CDrawerMapList(lMode, ulGrow);
    p->AddRef();
    return p;
}

}  // namespace

TEST(DrawerMapList, FolderModeGivesEveryFolderAMapStoreModeSharesItBothGrowAndReleaseTheirMaps) {
    CDrawerMapList* pFolders = NewList(0, 0);  // a step of 0 becomes 10
    CDrawerMapList* pStores = NewList(1, 1);
    // Store A with eleven folders, then store B with one.
    std::vector<CDrawerMap*> maps[2];
    for (int j = 0; j < 12; ++j) {
        for (int m = 0; m < 2; ++m) {
            CDrawerMapList* pList = m == 0 ? pFolders : pStores;
            CDrawerMap* pMap = nullptr;
            ASSERT_EQ(S_OK, j == 0 || j == 11 ? pList->AddStoreMap(&pMap, kColumns)
                                              : pList->AddFolderMap(&pMap, kColumns));
            maps[m].push_back(pMap);
        }
    }
    EXPECT_EQ(12u, pFolders->GetCount());
    EXPECT_EQ(2u, pStores->GetCount());
    EXPECT_EQ(maps[1][0], maps[1][10]);
    EXPECT_NE(maps[1][0], maps[1][11]);
    // Growing keeps the earlier maps, each at its place.
    for (ULONG i = 0; i < 12; ++i) {
        CDrawerMap* pMap = pFolders->GetAt(i);
        EXPECT_EQ(maps[0][i], pMap);
        EXPECT_EQ(1, std::count(maps[0].begin(), maps[0].end(), pMap));  // every folder a map of its own
        pMap->Release();
    }
    CDrawerMap* pSecondStore = pStores->GetAt((ULONG)1);
    EXPECT_EQ(maps[1][11], pSecondStore);
    pSecondStore->Release();
    for (auto& list : maps) {
        for (CDrawerMap* p : list) {
            p->Release();
        }
    }
    EXPECT_EQ(nullptr, pFolders->GetAt((ULONG)12));
    EXPECT_EQ(nullptr, pFolders->GetAt((LONG)-1));
    // Releasing a list releases its maps, and they their drawers.
    RowBuilder row;
    row.String("x");
    CSortDrawer* pDrawer = NewDrawer(row.Row());
    ASSERT_EQ(S_OK, maps[0][0]->InsertDrawer(&row.Row(), 0, kColumns, &pDrawer));
    EXPECT_EQ(2u, RefCount(pDrawer));
    EXPECT_EQ(0u, pFolders->Release());
    EXPECT_EQ(1u, RefCount(pDrawer));
    pDrawer->Release();
    pStores->Release();
}

TEST(DrawerMapList, UnsupportedModesAndBadColumnsAddNoMap) {
    CDrawerMap* pMap = nullptr;
    // Mode 2 is known but not built, any other mode is invalid; either way only the first map is made.
    for (auto [lMode, hrRefused] : {std::pair{2, E_NOTIMPL}, std::pair{7, E_INVALIDARG}}) {
        CDrawerMapList* pList = NewList(lMode);
        ASSERT_EQ(S_OK,
                  lMode == 2 ? pList->AddStoreMap(&pMap, kColumns) : pList->AddFolderMap(&pMap, kColumns));
        pMap->Release();
        pMap = nullptr;
        EXPECT_EQ(hrRefused, pList->AddFolderMap(&pMap, kColumns)) << lMode;
        EXPECT_EQ(hrRefused, pList->AddStoreMap(&pMap, kColumns)) << lMode;
        EXPECT_EQ(nullptr, pMap);
        EXPECT_EQ(1u, pList->GetCount());
        pList->Release();
    }
    // A map that cannot be made leaves the list as it was.
    SizedSPropTagArray(1, bad) = {1, {PROP_TAG(PT_MV_LONG, 1)}};
    CDrawerMapList* pList = NewList(0);
    EXPECT_EQ(E_UNEXPECTED, pList->AddStoreMap(&pMap, reinterpret_cast<LPSPropTagArray>(&bad)));
    EXPECT_EQ(0u, pList->GetCount());
    pList->Release();
}
