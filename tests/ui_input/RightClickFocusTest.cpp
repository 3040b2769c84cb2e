// A right click on an entry of the result tree gives the tree the keyboard, as a click with the
// other button does: the keys pressed after marking through the context menu move through the
// entries instead of pressing the button that had the focus before. A search started with the
// Start button leaves the keyboard with the tree too.
#include <gtest/gtest.h>

#include "resources/FormResource.h"
#include "resources/ResultTemplates.h"
#include "tests/support/RealInput.h"
#include "tests/ui_input/InputFixture.h"
#include "ui/FormViews.h"
#include "ui/ItemInfo.h"
#include "ui/PopupMenu.h"
#include "ui/SearchResultPP.h"

namespace qrvtest {
namespace {

using RightClickFocusTest = InputFixture;

TEST_F(RightClickFocusTest, RightClickOnAnEntryTakesTheKeyboard) {
    AddMail({"Budget", "Ann", 100});
    AddMail({"Budget", "Ann", 200});
    FVPagedView* pView = ShowForm(m_pConfig);
    CSearchResultPP* pPage = Start(pView);
    ASSERT_NE(nullptr, pPage);
    CResultTree& tree = pPage->GetTree();
    const HTREEITEM hChild = Children(tree, Roots(tree)[0])[0];
    CWnd* pClose = pPage->GetDlgItem(IDC_RES_CLOSE);
    ASSERT_NE(nullptr, pClose);
    int nMenus = 0;
    CPopupMenu::SetTrackHook([&](const std::vector<CPopupMenu::Entry>&, CPoint) {
        ++nMenus;
        return 0u;
    });
    bool bMenu = false;
    for (int nTry = 0; nTry < 5 && !bMenu; ++nTry) {
        pClose->SetFocus();
        Settle(50);
        ASSERT_EQ(pClose, CWnd::GetFocus());
        const CPoint pt = LabelPoint(pPage, hChild);
        RealInput sim;
        sim.MouseMove(pt.x, pt.y);
        Settle(20);
        sim.MouseClick(wxMOUSE_BTN_RIGHT);
        WaitOutRightClick(&tree);
        bMenu = nMenus > 0;
    }
    ASSERT_TRUE(bMenu);
    EXPECT_EQ(&tree, CWnd::GetFocus());
    CloseForm(pView);
}

// The progress window takes the activation while the search runs; when it goes, the toolkit must
// not hand the keyboard back to Start, which is hidden and shown again meanwhile.
TEST_F(RightClickFocusTest, AfterAClickOnStartTheTreeHasTheKeyboard) {
    AddMail({"Budget", "Ann", 100});
    AddMail({"Budget", "Ann", 200});
    FVPagedView* pView = ShowForm(m_pConfig);
    ASSERT_NE(nullptr, pView);
    CWnd* pStart = pView->GetDlgItem(IDC_FV_START);
    ASSERT_NE(nullptr, pStart);
    CRect rcStart;
    pStart->GetWindowRect(&rcStart);
    ASSERT_TRUE(ClickUntil(pStart,
                           CPoint((rcStart.left + rcStart.right) / 2, (rcStart.top + rcStart.bottom) / 2),
                           [&] { return PageOf(pView) != nullptr; }));
    Settle(300);
    CSearchResultPP* pPage = PageOf(pView);
    ASSERT_NE(nullptr, pPage);
    CResultTree& tree = pPage->GetTree();
    EXPECT_EQ(&tree, CWnd::GetFocus());
    // Down then selects the first entry.
    RealInput sim;
    sim.Char(WXK_DOWN);
    Settle(200);
    EXPECT_NE(nullptr, tree.GetSelectedItem());
    CloseForm(pView);
}

}  // namespace
}  // namespace qrvtest
