// The result tree tells a right click from a right double-click, and a key from a click: the mouse
// and key events go through the toolkit's own tree, as the desktop delivers them, and at last come
// from the real pointer.
#include <gtest/gtest.h>

#include <wx/event.h>
#include <wx/treectrl.h>

#include "platform/afx/wnd/MessageBoxUi.h"
#include "resources/ResultTemplates.h"
#include "tests/ui_results/ResultsFixture.h"
#include "ui/FormViews.h"
#include "ui/ItemInfo.h"
#include "ui/PopupMenu.h"
#include "ui/SearchResultPP.h"

namespace qrvtest {
namespace {

class RightClickTest : public ResultsFixture {
protected:
    void SetUp() override {
        ResultsFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        AddMail({"Alpha", "Ann", 100});
        m_duplicate = AddMail({"Alpha", "Ann", 200});
        m_pView = ShowForm(m_pConfig);
        m_pPage = Start(m_pView);
        ASSERT_NE(nullptr, m_pPage);
        CResultTree& tree = m_pPage->GetTree();
        ASSERT_EQ(1u, Roots(tree).size());
        m_hRoot = Roots(tree)[0];
        m_hChild = Children(tree, m_hRoot)[0];
        // The desktop's pointer stays where it is; the tree reads it from the events and the hook.
        m_ptCursor = LabelPoint(m_pPage, m_hChild);
        CResultTree::SetCursorPosHook([this] { return m_ptCursor; });
        CPopupMenu::SetTrackHook([this](const std::vector<CPopupMenu::Entry>& entries, CPoint) {
            m_offered.push_back(entries.empty() ? 0u : entries[0].nID);
            return m_nChoice;
        });
    }
    void TearDown() override {
        CloseForm(m_pView);
        ResultsFixture::TearDown();
    }

    // One mouse button event at a screen point, handed to the toolkit's tree.
    void Send(wxEventType type, CPoint ptScreen, bool bControl = false) {
        wxWindow* pWx = m_pPage->GetTree().GetWxWindow();
        wxMouseEvent event(type);
        event.SetEventObject(pWx);
        event.SetPosition(pWx->ScreenToClient(wxPoint(ptScreen.x, ptScreen.y)));
        event.SetRightDown(type == wxEVT_RIGHT_DOWN || type == wxEVT_RIGHT_DCLICK);
        event.SetLeftDown(type == wxEVT_LEFT_DOWN || type == wxEVT_LEFT_DCLICK);
        event.SetControlDown(bControl);
        pWx->GetEventHandler()->ProcessEvent(event);
    }
    void RightClick(CPoint pt) {
        Send(wxEVT_RIGHT_DOWN, pt);
        Send(wxEVT_RIGHT_UP, pt);
    }
    void RightDoubleClick(CPoint pt) {
        RightClick(pt);
        Send(wxEVT_RIGHT_DCLICK, pt);
        Send(wxEVT_RIGHT_UP, pt);
    }
    // Lets the double-click time pass and a held right click be answered.
    void WaitOut() { WaitOutRightClick(m_pPage != nullptr ? &m_pPage->GetTree() : nullptr); }
    ItemInfo* Child() { return Info(m_pPage->GetTree(), m_hChild); }

    std::vector<BYTE> m_duplicate;
    FVPagedView* m_pView = nullptr;
    CSearchResultPP* m_pPage = nullptr;
    HTREEITEM m_hRoot = nullptr;
    HTREEITEM m_hChild = nullptr;
    CPoint m_ptCursor;
    std::vector<UINT> m_offered;
    UINT m_nChoice = 0;
};

TEST_F(RightClickTest, ARightDoubleClickOnADuplicateTogglesItsMarkWithoutAMenu) {
    RightDoubleClick(m_ptCursor);
    EXPECT_EQ((DWORD)ITEM_STATE_UNMARKED, Child()->nState);
    EXPECT_FALSE(Child()->bDelete);
    WaitOut();
    EXPECT_TRUE(m_offered.empty());
    EXPECT_FALSE(m_pPage->GetTree().IsRightClickPending());

    // A second one marks it again; still no menu at any time.
    RightDoubleClick(m_ptCursor);
    WaitOut();
    EXPECT_EQ((DWORD)ITEM_STATE_MARKED, Child()->nState);
    EXPECT_TRUE(Child()->bDelete);
    EXPECT_TRUE(m_offered.empty());
}

TEST_F(RightClickTest, ASingleRightClickOpensTheMenuOnceTheDoubleClickTimeHasPassed) {
    m_nChoice = ID_RES_UNMARK_ITEM;
    RightClick(m_ptCursor);
    EXPECT_TRUE(m_offered.empty());
    EXPECT_TRUE(m_pPage->GetTree().IsRightClickPending());
    WaitOut();
    ASSERT_EQ(1u, m_offered.size());
    EXPECT_EQ((UINT)ID_RES_UNMARK_ITEM, m_offered[0]);
    EXPECT_FALSE(Child()->bDelete);
    EXPECT_EQ(m_hChild, m_pPage->GetTree().GetSelectedItem());

    // A left click in the meantime drops the held right click.
    RightClick(m_ptCursor);
    Send(wxEVT_LEFT_DOWN, m_ptCursor);
    WaitOut();
    EXPECT_EQ(1u, m_offered.size());
}

TEST_F(RightClickTest, ARightDoubleClickNobodyTakesStillAnswersItsFirstClick) {
    // The pointer has moved off the label by the time the second click is handled, so the
    // double-click toggles nothing; the click that began it opens the menu of the entry it hit.
    const CPoint ptClick = m_ptCursor;
    CRect rcTree;
    m_pPage->GetTree().GetWindowRect(&rcTree);
    m_ptCursor = CPoint(rcTree.right - 4, rcTree.bottom - 4);
    RightClick(ptClick);
    Send(wxEVT_RIGHT_DCLICK, m_ptCursor);
    ASSERT_EQ(1u, m_offered.size());
    EXPECT_EQ((UINT)ID_RES_UNMARK_ITEM, m_offered[0]);
    EXPECT_TRUE(Child()->bDelete);
    WaitOut();
    EXPECT_EQ(1u, m_offered.size());
}

TEST_F(RightClickTest, TheEnterKeyActsOnNoItemUnderAnEarlierClick) {
    // Ctrl+double-click takes the mark off the duplicate.
    for (wxEventType type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_LEFT_DCLICK, wxEVT_LEFT_UP})
        Send(type, m_ptCursor, true);
    ASSERT_EQ((DWORD)ITEM_STATE_UNMARKED, Child()->nState);
    // Enter on the kept entry is no second Ctrl+double-click on the duplicate.
    m_pPage->GetTree().SelectItem(m_hRoot);
    wxWindow* pWx = m_pPage->GetTree().GetWxWindow();
    for (wxEventType type : {wxEVT_KEY_DOWN, wxEVT_CHAR}) {
        wxKeyEvent key(type);
        key.SetEventObject(pWx);
        key.m_keyCode = WXK_RETURN;
        pWx->GetEventHandler()->ProcessEvent(key);
    }
    Settle(50);
    EXPECT_EQ((DWORD)ITEM_STATE_UNMARKED, Child()->nState);
    EXPECT_FALSE(Child()->bDelete);
    EXPECT_EQ(m_hRoot, m_pPage->GetTree().GetSelectedItem());
}

TEST_F(RightClickTest, APageClosedWhileARightClickIsHeldIsLeftAlone) {
    RightClick(m_ptCursor);
    ASSERT_TRUE(m_pPage->GetTree().IsRightClickPending());
    CloseForm(m_pView);
    m_pPage = nullptr;
    WaitOut();
    EXPECT_TRUE(m_offered.empty());
}

// The same page under the real pointer, which the tree reads itself.
class RealClickTest : public RightClickTest {
protected:
    void SetUp() override {
        RightClickTest::SetUp();
        CResultTree::SetCursorPosHook(nullptr);
    }
};

TEST_F(RealClickTest, EntryClickShowsItsPlaceAndDeleteButtonCleansUp) {
    CResultTree& tree = m_pPage->GetTree();
    EXPECT_TRUE(
        ClickUntil(&tree, m_ptCursor, false, [&] { return !ControlText(&m_pPage->GetStoreEdit()).empty(); }));
    EXPECT_EQ(m_hChild, tree.GetSelectedItem());

    CWnd* pDelete = m_pPage->GetDlgItem(IDC_RES_DELETE);
    ASSERT_NE(nullptr, pDelete);
    CRect rc;
    pDelete->GetWindowRect(&rc);
    EXPECT_TRUE(ClickUntil(pDelete, CPoint((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2), false,
                           [&] { return m_pView->GetSearchResultsPage() == nullptr; }));
    m_pPage = nullptr;
    EXPECT_TRUE(AfxGetShownMessageBoxes().empty());
    EXPECT_EQ(0u, LiveItems().count(m_duplicate));
    EXPECT_EQ(1u, DeletedItems().count(std::string(m_duplicate.begin(), m_duplicate.end())));
}

TEST_F(RealClickTest, RightDoubleClickOnAnEntryTogglesItsMarkWithoutAMenu) {
    // A menu that opened would take the second click; the fixture's hook stands in for it and counts.
    EXPECT_TRUE(ClickUntil(&m_pPage->GetTree(), m_ptCursor, true,
                           [&] { return Child()->nState == ITEM_STATE_UNMARKED; }));
    EXPECT_FALSE(Child()->bDelete);
    WaitOut();
    EXPECT_TRUE(m_offered.empty());
}

}  // namespace
}  // namespace qrvtest
