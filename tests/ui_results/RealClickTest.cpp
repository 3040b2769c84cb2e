// The Search results page answers the real pointer: a click on an entry shows where it lives, a
// click on the delete button cleans up. The page is made after its form's tabs, as in the program.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include <wx/app.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>

#include "platform/afx/wnd/MessageBoxUi.h"
#include "resources/ResultTemplates.h"
#include "tests/ui_results/ResultsFixture.h"
#include "ui/FormViews.h"
#include "ui/ItemInfo.h"
#include "ui/PopupMenu.h"
#include "ui/SearchResultPP.h"

namespace qrvtest {
namespace {

class RealClickTest : public ResultsFixture {
protected:
    // Clicks at a screen point of pTarget until bDone holds; a click may be lost while another test's window
    // briefly lies over this one on a shared display, so it is tried a few times.
    bool ClickUntil(CWnd* pTarget, const CPoint& pt, const std::function<bool()>& bDone) {
        for (int nTry = 0; nTry < 5; ++nTry) {
            // Other tests' windows open at the same place; ours goes on top before each try.
            wxGetTopLevelParent(pTarget->GetWxWindow())->Raise();
            Settle(50);
            wxUIActionSimulator sim;
            sim.MouseMove(pt.x, pt.y);
            sim.MouseClick();
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
            while (std::chrono::steady_clock::now() < end) {
                Settle(10);
                if (bDone())
                    return true;
            }
        }
        return false;
    }
    static CPoint Middle(CWnd* pWnd) {
        CRect rc;
        pWnd->GetWindowRect(&rc);
        return CPoint((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    }
};

TEST_F(RealClickTest, EntryClickShowsItsPlaceAndDeleteButtonCleansUp) {
    AddMail({"Alpha", "Ann", 100});
    const std::vector<BYTE> duplicate = AddMail({"Alpha", "Ann", 200});
    FVPagedView* pView = ShowForm(m_pConfig);
    CSearchResultPP* pPage = Start(pView);
    ASSERT_NE(nullptr, pPage);
    CResultTree& tree = pPage->GetTree();
    ASSERT_EQ(1u, Roots(tree).size());
    HTREEITEM hChild = Children(tree, Roots(tree)[0])[0];

    EXPECT_TRUE(ClickUntil(&tree, LabelPoint(pPage, hChild), [&] {
        CString store;
        pPage->GetStoreEdit().GetWindowText(store);
        return !store.IsEmpty();
    }));
    EXPECT_EQ(hChild, tree.GetSelectedItem());

    CWnd* pDelete = pPage->GetDlgItem(IDC_RES_DELETE);
    ASSERT_NE(nullptr, pDelete);
    EXPECT_TRUE(
        ClickUntil(pDelete, Middle(pDelete), [&] { return pView->GetSearchResultsPage() == nullptr; }));
    EXPECT_TRUE(AfxGetShownMessageBoxes().empty());
    EXPECT_EQ(0u, LiveItems().count(duplicate));
    EXPECT_EQ(1u, DeletedItems().count(std::string(duplicate.begin(), duplicate.end())));
    CloseForm(pView);
}

TEST_F(RealClickTest, RightDoubleClickOnAnEntryTogglesItsMarkWithoutAMenu) {
    AddMail({"Alpha", "Ann", 100});
    AddMail({"Alpha", "Ann", 200});
    FVPagedView* pView = ShowForm(m_pConfig);
    CSearchResultPP* pPage = Start(pView);
    ASSERT_NE(nullptr, pPage);
    CResultTree& tree = pPage->GetTree();
    ASSERT_EQ(1u, Roots(tree).size());
    HTREEITEM hChild = Children(tree, Roots(tree)[0])[0];
    ItemInfo* pChild = Info(tree, hChild);
    // A menu that opened would take the second click; the hook stands in for it and counts.
    int nMenus = 0;
    CPopupMenu::SetTrackHook([&](const std::vector<CPopupMenu::Entry>&, CPoint) {
        ++nMenus;
        return 0u;
    });

    bool bToggled = false;
    const CPoint pt = LabelPoint(pPage, hChild);
    for (int nTry = 0; nTry < 5 && !bToggled; ++nTry) {
        wxGetTopLevelParent(tree.GetWxWindow())->Raise();
        Settle(50);
        wxUIActionSimulator sim;
        sim.MouseMove(pt.x, pt.y);
        Settle(20);
        sim.MouseDblClick(wxMOUSE_BTN_RIGHT);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < end && !bToggled) {
            Settle(10);
            bToggled = pChild->nState == ITEM_STATE_UNMARKED;
        }
    }
    EXPECT_TRUE(bToggled);
    EXPECT_FALSE(pChild->bDelete);
    Settle(CResultTree::GetDoubleClickTime() + 150);
    EXPECT_EQ(0, nMenus);
    CloseForm(pView);
}

}  // namespace
}  // namespace qrvtest
