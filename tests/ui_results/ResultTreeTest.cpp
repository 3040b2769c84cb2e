// The result tree's drawing choices per item and its fonts, on a tree of its own.
#include <wx/treectrl.h>

#include "tests/ui_results/ResultsFixture.h"
#include "ui/ItemInfo.h"
#include "ui/ResultTree.h"

namespace qrvtest {
namespace {

class ResultTreeTest : public FormsFixture {
protected:
    // Runs the item paint stage for an item state as the tree does and returns the answer.
    LRESULT DrawItem(CResultTree& tree, ItemInfo* pInfo, UINT uState, RESULTTREEDC* pDC, COLORREF* pcrText) {
        NMTVCUSTOMDRAW draw{};
        draw.nmcd.hdr.code = NM_CUSTOMDRAW;
        draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
        draw.nmcd.hdc = pDC;
        draw.nmcd.lItemlParam = reinterpret_cast<LPARAM>(pInfo);
        draw.nmcd.uItemState = uState;
        draw.clrText = 0x00123456;
        const LRESULT lResult = tree.NotifyParent(&draw.nmcd.hdr);
        *pcrText = draw.clrText;
        return lResult;
    }
};

TEST_F(ResultTreeTest, MarkedItemsAreStruckOutAndGreyEvenWhenSelected) {
    CResultTree tree;
    ASSERT_TRUE(tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES, CRect(0, 0, 200, 200),
                            m_pHost, 1051));
    ASSERT_EQ(S_OK, tree.InitControl());
    ASSERT_NE(nullptr, tree.m_hStrikeOutFont);
    EXPECT_TRUE(tree.m_hStrikeOutFont->GetWxFont()->GetStrikethrough());
    EXPECT_FALSE(tree.m_hNormalFont->GetWxFont()->GetStrikethrough());
    EXPECT_EQ(GetSysColor(COLOR_GRAYTEXT), tree.m_crMarkedText);
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), tree.m_crNormalText);

    NMTVCUSTOMDRAW stage{};
    stage.nmcd.hdr.code = NM_CUSTOMDRAW;
    stage.nmcd.dwDrawStage = CDDS_PREPAINT;
    EXPECT_EQ(CDRF_NOTIFYITEMDRAW, tree.NotifyParent(&stage.nmcd.hdr));
    stage.nmcd.dwDrawStage = CDDS_ITEMPOSTPAINT;
    EXPECT_EQ(0, tree.NotifyParent(&stage.nmcd.hdr));

    ItemInfo marked{ITEM_STATE_MARKED, TRUE, nullptr, nullptr, {0, 0}};
    ItemInfo unmarked{ITEM_STATE_UNMARKED, FALSE, nullptr, nullptr, {0, 0}};
    ItemInfo pivot{ITEM_STATE_PIVOT, FALSE, nullptr, nullptr, {0, 0}};
    RESULTTREEDC dc;
    COLORREF crText = 0;
    EXPECT_EQ(CDRF_NEWFONT, DrawItem(tree, &marked, CDIS_SELECTED, &dc, &crText));
    EXPECT_EQ(tree.m_hStrikeOutFont, dc.pFont);
    EXPECT_EQ(tree.m_crMarkedText, crText);
    EXPECT_EQ(CDRF_NEWFONT, DrawItem(tree, &unmarked, CDIS_SELECTED, &dc, &crText));
    EXPECT_EQ(tree.m_hNormalFont, dc.pFont);
    EXPECT_EQ(RGB(255, 255, 255), crText);
    EXPECT_EQ(CDRF_NEWFONT, DrawItem(tree, &pivot, 0, &dc, &crText));
    EXPECT_EQ(tree.m_hNormalFont, dc.pFont);
    EXPECT_EQ(tree.m_crNormalText, crText);
    // An item without record is left to the tree.
    dc.pFont = nullptr;
    EXPECT_EQ(0, DrawItem(tree, nullptr, 0, &dc, &crText));
    EXPECT_EQ(nullptr, dc.pFont);
    EXPECT_EQ(0x00123456u, crText);

    // The choice reaches the items themselves.
    HTREEITEM hRoot = tree.InsertItem("Kept");
    HTREEITEM hChild = tree.InsertItem("Gone", hRoot);
    tree.SetItemData(hRoot, reinterpret_cast<DWORD_PTR>(&pivot));
    tree.SetItemData(hChild, reinterpret_cast<DWORD_PTR>(&marked));
    tree.RefreshItemLooks();
    auto* pWx = dynamic_cast<wxTreeCtrl*>(tree.GetWxWindow());
    EXPECT_TRUE(pWx->GetItemFont(wxTreeItemId(hChild)).GetStrikethrough());
    EXPECT_FALSE(pWx->GetItemFont(wxTreeItemId(hRoot)).GetStrikethrough());
    tree.DestroyWindow();
}

TEST_F(ResultTreeTest, ATreeWithoutInitialisationGoesQuietly) {
    auto* pTree = new CResultTree;
    ASSERT_TRUE(pTree->Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 100, 100), m_pHost, 1051));
    EXPECT_EQ(nullptr, pTree->m_hNormalFont);
    EXPECT_EQ(nullptr, pTree->GetItemUnderCursor());
    pTree->DestroyWindow();
    delete pTree;
}

}  // namespace
}  // namespace qrvtest
