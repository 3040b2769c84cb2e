// The result tree lays out only the rows it shows: an entry far below the visible rows keeps its
// text, order, look and every way of acting on it; and the tree shows no tooltips.
#include <gtest/gtest.h>

#include <wx/image.h>
#include <wx/tooltip.h>
#include <wx/treectrl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "tests/support/RealInput.h"
#include "tests/support/WindowPicture.h"
#include "tests/ui_results/ResultsFixture.h"
#include "ui/FormViews.h"
#include "ui/ItemInfo.h"
#include "ui/SearchResultPP.h"

namespace qrvtest {
namespace {

CPoint Mid(const CRect& rc) {
    return CPoint((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

// The pixels of a client rectangle of a window that differ clearly from its first pixel (its
// background), as the X server shows them.
int InkIn(CWnd& wnd, CRect rc) {
    const wxImage image = ClientPixels(wnd, rc);
    if (!image.IsOk())
        return -1;
    int nInk = 0;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            nInk += std::abs(image.GetRed(x, y) - image.GetRed(0, 0)) +
                        std::abs(image.GetGreen(x, y) - image.GetGreen(0, 0)) >
                    120;
    return nInk;
}

// The whole client area.
wxImage Shot(CWnd& wnd) {
    CRect rc;
    wnd.GetClientRect(&rc);
    return ClientPixels(wnd, rc);
}

// Pixels that differ, left of the strip where the toolkit fades its scroll bar in and out over
// the content.
int PixelsApart(const wxImage& a, const wxImage& b) {
    if (!a.IsOk() || !b.IsOk() || a.GetSize() != b.GetSize())
        return -1;
    constexpr int kScrollBar = 16;
    int nApart = 0;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x + kScrollBar < a.GetWidth(); ++x)
            nApart += a.GetRed(x, y) != b.GetRed(x, y) || a.GetGreen(x, y) != b.GetGreen(x, y) ||
                      a.GetBlue(x, y) != b.GetBlue(x, y);
    return nApart;
}

constexpr int kGroups = 30;  // many more rows than the tree shows
const char kLongSubject[] = "Zulu: a subject far too long for the tree to show in its whole width at once";

class TreeLayoutTest : public ResultsFixture {
protected:
    void SetUp() override {
        ResultsFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        for (int i = kGroups - 1; i >= 0; --i) {
            char subject[32];
            snprintf(subject, sizeof subject, "Subject %02d", i);
            AddMail({subject, "Ann", DWORD(100 + i)});
            AddMail({subject, "Ann", DWORD(200 + i)});
        }
        AddMail({kLongSubject, "Ann", 100});
        AddMail({kLongSubject, "Ann", 200});
        m_pView = ShowForm(m_pConfig);
        ASSERT_NE(nullptr, m_pView);
        m_pPage = Start(m_pView);
        ASSERT_NE(nullptr, m_pPage);
        Settle(100);
    }
    void TearDown() override {
        CResultTree::SetCursorPosHook(nullptr);
        CloseForm(m_pView);
        ResultsFixture::TearDown();
    }
    CResultTree& Tree() { return m_pPage->GetTree(); }
    wxTreeCtrl* WxTree() { return dynamic_cast<wxTreeCtrl*>(Tree().GetWxWindow()); }
    // A real key press on the focused tree.
    void Key(int nKey) {
        Tree().SetFocus();
        Settle(20);
        RealInput().Char(nKey);
        Settle(60);
    }
    CString StoreText() {
        CString text;
        m_pPage->GetDlgItem(1054)->GetWindowText(text);
        return text;
    }

    FVPagedView* m_pView = nullptr;
    CSearchResultPP* m_pPage = nullptr;
};

// Order and texts of every entry, the keyboard, the selection with its information, the label's
// place for hit tests and the right double-click, the marked look and collapsing, all on entries
// the tree has not painted before.
TEST_F(TreeLayoutTest, EntriesBelowTheShownRowsKeepTheirTextsLooksAndBehaviour) {
    CResultTree& tree = Tree();
    const std::vector<HTREEITEM> roots = Roots(tree);
    ASSERT_EQ(size_t(kGroups + 1), roots.size());
    for (int i = 0; i < kGroups; ++i) {
        char subject[32];
        snprintf(subject, sizeof subject, "Subject %02d", i);
        EXPECT_EQ(subject, tree.GetItemText(roots[i]));
        ASSERT_EQ(1u, Children(tree, roots[i]).size());
        EXPECT_EQ(subject, tree.GetItemText(Children(tree, roots[i])[0]));
    }
    EXPECT_EQ(kLongSubject, tree.GetItemText(roots.back()));

    // The keyboard: a letter finds the entry whose text starts with it (not painted so far).
    tree.SelectItem(roots[0]);
    Settle();
    Key('z');
    EXPECT_EQ(roots.back(), tree.GetSelectedItem());
    // The first entry, then the last one (not painted so far either).
    tree.SelectItem(roots[0]);
    Settle();
    Key(WXK_END);
    const HTREEITEM hLastChild = Children(tree, roots.back())[0];
    ASSERT_EQ(hLastChild, tree.GetSelectedItem());
    EXPECT_FALSE(StoreText().IsEmpty());  // the information group followed
    // The marked duplicate is struck out; its label is hit where it is drawn.
    EXPECT_TRUE(WxTree()->GetItemFont(wxTreeItemId(hLastChild)).GetStrikethrough());
    CRect rcLabel;
    ASSERT_TRUE(tree.GetItemRect(hLastChild, &rcLabel, TRUE));
    UINT uFlags = 0;
    EXPECT_EQ(hLastChild, tree.HitTest(Mid(rcLabel), &uFlags));
    EXPECT_NE(0u, uFlags & TVHT_ONITEMLABEL);

    // A right double-click on that label unmarks it and shows it unmarked at once.
    CPoint ptCursor = LabelPoint(m_pPage, hLastChild);
    CResultTree::SetCursorPosHook([&] { return ptCursor; });
    EXPECT_EQ(1, tree.NotifyMouse(NM_RDBLCLK, ptCursor));
    EXPECT_EQ((DWORD)ITEM_STATE_UNMARKED, Info(tree, hLastChild)->nState);
    EXPECT_FALSE(WxTree()->GetItemFont(wxTreeItemId(hLastChild)).GetStrikethrough());

    // An entry in the middle, never painted: its label is hit to its last pixel, and no further.
    const HTREEITEM hMiddle = Children(tree, roots[kGroups / 2])[0];
    tree.EnsureVisible(hMiddle);
    Settle(60);
    ASSERT_TRUE(tree.GetItemRect(hMiddle, &rcLabel, TRUE));
    EXPECT_EQ(hMiddle, tree.HitTest(CPoint(rcLabel.right - 2, Mid(rcLabel).y), &uFlags));
    EXPECT_NE(0u, uFlags & TVHT_ONITEMLABEL);
    EXPECT_EQ(hMiddle, tree.HitTest(CPoint(rcLabel.right + 8, Mid(rcLabel).y), &uFlags));
    EXPECT_EQ(0u, uFlags & TVHT_ONITEMLABEL);
    // Its label is drawn where the tree says, and nothing right of it.
    wxGetTopLevelParent(tree.GetWxWindow())->Raise();
    Settle(100);
    EXPECT_GT(InkIn(tree, rcLabel), 20);
    // A child two rows away (on screen), whose label nobody asked for: drawn at the same indent.
    CRect rcNear;
    ASSERT_TRUE(tree.GetItemRect(Children(tree, roots[kGroups / 2 - 1])[0], &rcNear, FALSE));
    if (rcNear.top < 0) {
        ASSERT_TRUE(tree.GetItemRect(Children(tree, roots[kGroups / 2 + 1])[0], &rcNear, FALSE));
    }
    EXPECT_GT(InkIn(tree, CRect(rcLabel.left, rcNear.top, rcLabel.left + 40, rcNear.bottom)), 20);
    EXPECT_EQ(0, InkIn(tree, CRect(rcLabel.right + 2, rcLabel.top, rcLabel.right + 60, rcLabel.bottom)));

    // Left collapses the selected group's root, Right opens it again: the rows below move up and
    // back, one row each.
    tree.SelectItem(roots[kGroups / 2]);
    Settle();
    CRect rcBelow, rcCollapsed;
    ASSERT_TRUE(tree.GetItemRect(roots[kGroups / 2 + 1], &rcBelow, FALSE));
    Key(WXK_LEFT);
    EXPECT_FALSE(WxTree()->IsExpanded(wxTreeItemId(roots[kGroups / 2])));
    ASSERT_TRUE(tree.GetItemRect(roots[kGroups / 2 + 1], &rcCollapsed, FALSE));
    EXPECT_EQ(rcBelow.top - rcBelow.Height(), rcCollapsed.top);
    Key(WXK_RIGHT);
    EXPECT_TRUE(WxTree()->IsExpanded(wxTreeItemId(roots[kGroups / 2])));
    ASSERT_TRUE(tree.GetItemRect(roots[kGroups / 2 + 1], &rcCollapsed, FALSE));
    EXPECT_EQ(rcBelow.top, rcCollapsed.top);
}

// The tree's template asks for no tooltips: the real pointer resting on a label the tree cannot
// show whole brings none.
TEST_F(TreeLayoutTest, ThePointerOnALabelCutOffShowsNoTooltip) {
    CResultTree& tree = Tree();
    const HTREEITEM hLong = Roots(tree).back();
    tree.EnsureVisible(Children(tree, hLong)[0]);
    Settle(100);
    CRect rcClient, rcLabel;
    tree.GetClientRect(&rcClient);
    ASSERT_TRUE(tree.GetItemRect(hLong, &rcLabel, TRUE));
    ASSERT_GT(rcLabel.right, rcClient.right);  // cut off
    // Once shown, the horizontal scroll reaches its end.
    EXPECT_GE(WxTree()->GetVirtualSize().x, rcLabel.right);
    CPoint pt((rcLabel.left + rcClient.right) / 2, Mid(rcLabel).y);
    tree.ClientToScreen(&pt);
    // The tree hears the pointer arrive on the label; a tooltip is chosen as it arrives.
    bool bArrived = false;
    auto arrived = [&](wxMouseEvent& event) {
        event.Skip();
        const wxPoint ptAt = tree.GetWxWindow()->ClientToScreen(event.GetPosition());
        bArrived = bArrived || (std::abs(ptAt.x - pt.x) < 3 && std::abs(ptAt.y - pt.y) < 3);
    };
    tree.GetWxWindow()->Bind(wxEVT_MOTION, arrived);
    for (int nTry = 0; nTry < 5 && !bArrived; ++nTry) {
        wxGetTopLevelParent(tree.GetWxWindow())->Raise();
        Settle(50);
        RealInput sim;
        sim.MouseMove(pt.x - 20, pt.y - 20);
        Settle(50);
        sim.MouseMove(pt.x, pt.y);
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
        while (std::chrono::steady_clock::now() < end && !bArrived)
            Settle(20);
    }
    tree.GetWxWindow()->Unbind(wxEVT_MOTION, arrived);
    ASSERT_TRUE(bArrived);
    Settle(300);
    EXPECT_EQ(nullptr, tree.GetWxWindow()->GetToolTip());
}

}  // namespace
}  // namespace qrvtest

namespace qrvtest {
namespace {

// A paint draws only the rows it is asked for, starting from the group that reaches into them:
// at the top, with a group cut by the upper edge, with a selected marked entry and at the end,
// every pixel is the one the toolkit's walk over every item draws. So it is for a paint of a few
// rows that begin with a group's child, whose root lies above them: the group reaches into the
// rows by its top, not by its own line.
TEST_F(TreeLayoutTest, APaintOfSomeRowsShowsWhatAPaintOfEveryItemShows) {
    CResultTree& tree = Tree();
    const std::vector<HTREEITEM> roots = Roots(tree);
    ASSERT_EQ(size_t(kGroups + 1), roots.size());
    wxGetTopLevelParent(tree.GetWxWindow())->Raise();
    int nPaints = 0;
    auto counted = [&nPaints](wxPaintEvent& event) {
        ++nPaints;
        event.Skip();
    };
    tree.GetWxWindow()->Bind(wxEVT_PAINT, counted);
    // A picture only once the tree has painted again since it was asked to: until then the screen
    // still shows the paint before.
    auto paintedShot = [&](const std::function<void()>& ask) {
        const int nBefore = nPaints;
        ask();
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (nPaints == nBefore && std::chrono::steady_clock::now() < end)
            Settle(20);
        EXPECT_GT(nPaints, nBefore) << "the tree did not paint again";
        Settle(100);
        return Shot(tree);
    };
    // Both paint the whole client area, after the rows were painted once: their first paint
    // chooses the looks of rows never shown, and a scroll moves what was drawn (the text's
    // anti-aliasing can differ by a shade from a later paint).
    auto compare = [&](const char* where, HTREEITEM hFirstOfSome = nullptr) {
        Settle(100);
        const wxImage whole = paintedShot([&] { tree.SetWholePaint(TRUE); });
        EXPECT_EQ(0, PixelsApart(paintedShot([&] { tree.SetWholePaint(FALSE); }), whole)) << where;
        if (hFirstOfSome == nullptr)
            return;
        CRect rcFirst, rcClient;
        ASSERT_TRUE(tree.GetItemRect(hFirstOfSome, &rcFirst, FALSE));
        tree.GetClientRect(&rcClient);
        const wxRect rcSome(0, rcFirst.top, rcClient.Width(), 2 * rcFirst.Height());
        EXPECT_EQ(0, PixelsApart(paintedShot([&] { tree.GetWxWindow()->RefreshRect(rcSome); }), whole))
            << where << ", two rows from a group's child";
    };
    tree.SelectItem(roots[0]);
    compare("top", Children(tree, roots[1])[0]);
    // One row down from a group's root: its child is the first row shown, its line comes from above.
    tree.EnsureVisible(roots[kGroups / 2]);
    Settle(60);
    WxTree()->ScrollLines(1);
    tree.SelectItem(Children(tree, roots[kGroups / 2])[0]);
    compare("middle, a marked entry selected", Children(tree, roots[kGroups / 2 + 2])[0]);
    tree.EnsureVisible(Children(tree, roots.back())[0]);
    compare("end");
    tree.GetWxWindow()->Unbind(wxEVT_PAINT, counted);
}

}  // namespace
}  // namespace qrvtest
