// The search result: which index each folder gets in each compare mode, growth and references.
#include <gtest/gtest.h>

#include "engine/DrawerMapList.h"
#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

SizedSPropTagArray(1, g_columns) = {1, {PR_SUBJECT}};
LPSPropTagArray Columns() {
    return reinterpret_cast<LPSPropTagArray>(&g_columns);
}

CDrawerMapList* NewList(LONG lMode, ULONG ulGrow = 10) {
    auto* p = new CDrawerMapList(lMode, ulGrow);
    p->AddRef();
    return p;
}

}  // namespace

TEST(DrawerMapList, FolderModeGivesEveryFolderAMapStoreModeSharesIt) {
    CDrawerMapList* pFolders = NewList(0);
    CDrawerMapList* pStores = NewList(1);
    CDrawerMap* maps[2][3] = {};
    for (int j = 0; j < 3; ++j) {
        auto add = [&](CDrawerMapList* pList, CDrawerMap** ppMap) {
            return j == 0 ? pList->AddStoreMap(ppMap, Columns()) : pList->AddFolderMap(ppMap, Columns());
        };
        ASSERT_EQ(S_OK, add(pFolders, &maps[0][j]));
        ASSERT_EQ(S_OK, add(pStores, &maps[1][j]));
    }
    EXPECT_EQ(3u, pFolders->GetCount());
    EXPECT_EQ(1u, pStores->GetCount());
    EXPECT_NE(maps[0][0], maps[0][1]);
    EXPECT_EQ(maps[1][0], maps[1][2]);

    // The second store of mode 1 gets a map of its own.
    CDrawerMap* pSecondStore = nullptr;
    ASSERT_EQ(S_OK, pStores->AddStoreMap(&pSecondStore, Columns()));
    EXPECT_NE(maps[1][0], pSecondStore);
    EXPECT_EQ(2u, pStores->GetCount());
    pSecondStore->Release();
    for (auto& row : maps) {
        for (CDrawerMap* p : row) {
            p->Release();
        }
    }
    EXPECT_EQ(nullptr, pFolders->GetAt((ULONG)3));
    EXPECT_EQ(nullptr, pFolders->GetAt((LONG)-1));
    pFolders->Release();
    pStores->Release();
}

TEST(DrawerMapList, GrowsByItsStepAndKeepsEarlierMaps) {
    CDrawerMapList* pList = NewList(0, 0);  // 0 becomes 10
    std::vector<CDrawerMap*> made;
    for (int i = 0; i < 11; ++i) {
        CDrawerMap* pMap = nullptr;
        ASSERT_EQ(S_OK, pList->AddEntry(&pMap, Columns()));
        made.push_back(pMap);
    }
    for (ULONG i = 0; i < 11; ++i) {
        CDrawerMap* pMap = pList->GetAt(i);
        EXPECT_EQ(made[i], pMap);
        pMap->Release();
        made[i]->Release();
    }
    pList->Release();
}

TEST(DrawerMapList, UnsupportedModesAndBadColumns) {
    TraceCapture trace;
    CDrawerMapList* pTwo = NewList(2);
    CDrawerMap* pMap = nullptr;
    ASSERT_EQ(S_OK, pTwo->AddStoreMap(&pMap, Columns()));  // the first map whatever the mode
    pMap->Release();
    pMap = nullptr;
    EXPECT_EQ(E_NOTIMPL, pTwo->AddFolderMap(&pMap, Columns()));
    EXPECT_EQ(E_NOTIMPL, pTwo->AddStoreMap(&pMap, Columns()));
    EXPECT_TRUE(trace.Contains("Invalid compare mode setting!\n"));
    EXPECT_EQ(nullptr, pMap);
    pTwo->Release();

    CDrawerMapList* pBad = NewList(7);
    ASSERT_EQ(S_OK, pBad->AddFolderMap(&pMap, Columns()));
    pMap->Release();
    EXPECT_EQ(E_INVALIDARG, pBad->AddFolderMap(&pMap, Columns()));
    EXPECT_EQ(E_INVALIDARG, pBad->AddStoreMap(&pMap, Columns()));
    // A failed map leaves the list as it was.
    SizedSPropTagArray(1, bad) = {1, {PROP_TAG(PT_MV_LONG, 1)}};
    CDrawerMapList* pList = NewList(0);
    EXPECT_EQ(E_UNEXPECTED, pList->AddStoreMap(&pMap, reinterpret_cast<LPSPropTagArray>(&bad)));
    EXPECT_TRUE(trace.Contains("CreateDrawerMap() failed: hr = 0x8000ffff\n"));
    EXPECT_EQ(0u, pList->GetCount());
    pList->Release();
    pBad->Release();
}

TEST(DrawerMapList, ReleasingTheListReleasesItsMapsAndDrawers) {
    RowBuilder row;
    row.String("x");
    CDrawerMapList* pList = NewList(0);
    CDrawerMap* pMap = nullptr;
    ASSERT_EQ(S_OK, pList->AddStoreMap(&pMap, row.Columns()));
    CSortDrawer* pDrawer = NewDrawer(row.Row());
    ASSERT_EQ(S_OK, pMap->InsertDrawer(&row.Row(), 0, row.Columns(), &pDrawer));
    pMap->Release();
    EXPECT_EQ(2u, RefCount(pDrawer));
    EXPECT_EQ(0u, pList->Release());
    EXPECT_EQ(1u, RefCount(pDrawer));
    pDrawer->Release();
}
