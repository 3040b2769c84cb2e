// The common controls keep item data with their items, sort as the system expects and tell
// their parent about changes; real mouse clicks reach a control lying over a tab control.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/frame.h>
#include <wx/imaglist.h>
#include <wx/listctrl.h>
#include <wx/treectrl.h>

#include <glib.h>

#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/WxText.h"
#include "tests/platform_afxwnd/WxEnvironment.h"
#include "tests/support/RealInput.h"

namespace {

std::vector<UINT> g_notes;
constexpr UINT kButtonID = 41;

class CHostWnd : public CWnd {
public:
    BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) override {
        const UINT nCode = reinterpret_cast<NMHDR*>(lParam)->code;
        g_notes.push_back(nCode);
        if (nCode == TVN_SELCHANGED || nCode == TVN_ITEMEXPANDING)
            m_lTreeItemData = reinterpret_cast<NMTREEVIEW*>(lParam)->itemNew.lParam;
        *pResult = nCode == TVN_ITEMEXPANDING ? m_lRefuseExpansion : 0;
        return TRUE;
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (LOWORD(wParam) == kButtonID && HIWORD(wParam) == BN_CLICKED) {
            ++m_nClicks;
            return TRUE;
        }
        return CWnd::OnCommand(wParam, lParam);
    }
    int m_nClicks = 0;
    LRESULT m_lRefuseExpansion = 0;  // the answer to an expansion: nonzero refuses it
    LPARAM m_lTreeItemData = 0;      // the data of the item the last tree notification named
};

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QRV_REQUIRE_TOOLKIT();
        g_notes.clear();
        ASSERT_TRUE(m_host.AttachWx(new wxFrame(nullptr, wxID_ANY, "host")));
    }
    void TearDown() override {
        if (m_host.m_hWnd != nullptr)
            m_host.DestroyWindow();
        AfxPumpMessages();
    }
    CHostWnd m_host;
};

TEST_F(ControlsTest, SortedComboAndListViewKeepItemDataWithItsText) {
    CComboBox combo;
    ASSERT_TRUE(combo.Create(WS_CHILD | CBS_DROPDOWNLIST | CBS_SORT, CRect(0, 0, 100, 100), &m_host, 10));
    for (const char* name : {"Tasks", "appointments", "Contacts", "E-Mails"})
        combo.SetItemData(combo.AddString(name), (DWORD_PTR)name[0]);
    std::string initials;
    for (int i = 0; i < combo.GetCount(); ++i)
        initials += (char)combo.GetItemData(i);
    EXPECT_EQ(initials, "aCET");
    CString text;
    combo.GetLBText(0, text);
    EXPECT_EQ(text, CString("appointments"));
    combo.DeleteString(1);
    EXPECT_EQ(combo.GetItemData(1), (DWORD_PTR)'E');
    EXPECT_EQ(combo.FindStringExact(-1, "tasks"), 2);
    EXPECT_EQ(combo.SetCurSel(7), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);

    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | LVS_REPORT | LVS_SORTASCENDING, CRect(0, 0, 200, 200), &m_host, 12));
    list.InsertColumn(0, "Configuration", LVCFMT_LEFT, 120);
    for (const char* name : {"Mails", "appointments", "Contacts"})
        list.SetItemData(list.InsertItem(0, name), (DWORD_PTR)name[0]);
    EXPECT_EQ(list.GetItemText(0, 0), CString("appointments"));
    EXPECT_EQ(list.GetItemData(2), (DWORD_PTR)'M');
    list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);
    EXPECT_EQ(list.GetSelectedCount(), 1);
}

// List and combo boxes answer the same questions about their items the same way (their error
// values are the same too).
TEST_F(ControlsTest, ListAndComboBoxesFindReadAndSelectTheirItemsAlike) {
    CListBox list;
    ASSERT_TRUE(list.Create(WS_CHILD | LBS_NOTIFY, CRect(0, 0, 100, 100), &m_host, 12));
    CComboBox combo;
    ASSERT_TRUE(combo.Create(WS_CHILD | CBS_DROPDOWNLIST, CRect(0, 0, 100, 100), &m_host, 13));
    auto check = [](auto& box, const std::function<int(int, CString&)>& getText) {
        // Empty: nothing to find (and no division by the count), nothing selected.
        EXPECT_EQ(box.FindStringExact(-1, "x"), LB_ERR);
        EXPECT_EQ(box.FindStringExact(3, "x"), LB_ERR);
        EXPECT_EQ(box.GetCurSel(), LB_ERR);
        for (const char* name : {"Inbox", "Contacts", "inbox", "Tasks"})
            box.AddString(name);
        EXPECT_EQ(box.GetCount(), 4);
        // The search starts after the start index, ignores case and wraps around to the front.
        EXPECT_EQ(box.FindStringExact(-1, "INBOX"), 0);
        EXPECT_EQ(box.FindStringExact(0, "inbox"), 2);
        EXPECT_EQ(box.FindStringExact(2, "inbox"), 0);
        EXPECT_EQ(box.FindStringExact(-1, "Inb"), LB_ERR);
        EXPECT_EQ(box.FindStringExact(-1, nullptr), LB_ERR);
        CString text("stale");
        EXPECT_EQ(getText(3, text), 5);
        EXPECT_EQ(text, CString("Tasks"));
        // Out of range: an error and an empty text, never the text from before.
        for (int nIndex : {4, -1}) {
            text = "stale";
            EXPECT_EQ(getText(nIndex, text), LB_ERR);
            EXPECT_TRUE(text.IsEmpty());
        }
        box.SetCurSel(3);
        EXPECT_EQ(box.GetCurSel(), 3);
    };
    {
        SCOPED_TRACE("list box");
        check(list, [&](int i, CString& s) { return list.GetText(i, s); });
    }
    SCOPED_TRACE("combo box");
    check(combo, [&](int i, CString& s) { return combo.GetLBText(i, s); });
}

TEST_F(ControlsTest, TreeSortsChildrenAndWalksWithItemData) {
    CTreeCtrl tree;
    ASSERT_TRUE(tree.Create(WS_CHILD | TVS_HASBUTTONS, CRect(0, 0, 200, 200), &m_host, 11));
    HTREEITEM root = tree.InsertItem("Store", TVI_ROOT, TVI_LAST);
    HTREEITEM second = tree.InsertItem("Second store", TVI_ROOT, TVI_LAST);
    for (const char* name : {"Tasks", "contacts", "Inbox"})
        tree.SetItemData(tree.InsertItem(name, root, TVI_SORT), (DWORD_PTR)name[0]);
    EXPECT_EQ(tree.GetRootItem(), root);
    EXPECT_EQ(tree.GetNextSiblingItem(root), second);
    EXPECT_EQ(tree.GetParentItem(root), nullptr);
    std::vector<CString> order;
    for (HTREEITEM h = tree.GetChildItem(root); h != nullptr; h = tree.GetNextSiblingItem(h)) {
        order.push_back(tree.GetItemText(h));
        EXPECT_EQ(tree.GetParentItem(h), root);
    }
    EXPECT_EQ(order, (std::vector<CString>{"contacts", "Inbox", "Tasks"}));
    HTREEITEM first = tree.GetChildItem(root);
    EXPECT_EQ(tree.GetItemData(first), (DWORD_PTR)'c');
    EXPECT_TRUE(tree.ItemHasChildren(root));
    tree.SelectItem(first);
    EXPECT_EQ(tree.GetSelectedItem(), first);
    EXPECT_EQ(tree.GetNextItem(nullptr, TVGN_CARET), first);
    EXPECT_NE(std::find(g_notes.begin(), g_notes.end(), (UINT)TVN_SELCHANGED), g_notes.end());
    EXPECT_EQ(m_host.m_lTreeItemData, (LPARAM)'c');
    // The parent hears of an expansion with the item's data, and may refuse it.
    tree.SetItemData(root, (DWORD_PTR)'S');
    tree.Expand(root, TVE_COLLAPSE);
    m_host.m_lRefuseExpansion = 1;
    tree.Expand(root, TVE_EXPAND);
    EXPECT_EQ(m_host.m_lTreeItemData, (LPARAM)'S');
    EXPECT_FALSE(static_cast<wxTreeCtrl*>(tree.GetWxWindow())->IsExpanded(wxTreeItemId(root)));
    m_host.m_lRefuseExpansion = 0;
    tree.Expand(root, TVE_EXPAND);
    EXPECT_TRUE(static_cast<wxTreeCtrl*>(tree.GetWxWindow())->IsExpanded(wxTreeItemId(root)));
    tree.DeleteAllItems();
    EXPECT_EQ(tree.GetRootItem(), nullptr);
    EXPECT_EQ(tree.GetCount(), 0u);
}

TEST_F(ControlsTest, TextsThatAreNotUtf8ShowWithReplacementCharacters) {
    // A value another mail client wrote in its own code page: the label must still tell the item
    // from its neighbours, so only the bytes that are not UTF-8 are replaced.
    CTreeCtrl tree;
    ASSERT_TRUE(tree.Create(WS_CHILD, CRect(0, 0, 200, 200), &m_host, 12));
    HTREEITEM item = tree.InsertItem(
        "Gr\xfc\xdf"
        "e \xe2\x82\xac",
        TVI_ROOT, TVI_LAST);
    EXPECT_EQ(tree.GetItemText(item), CString("Gr\uFFFD\uFFFDe \u20AC"));
    tree.SetItemText(item, "\xe2\x82x \xed\xa0\x80 \xc0\xaf \xf4\x90\x80\x80 ok\xe2\x82");
    EXPECT_EQ(tree.GetItemText(item), CString("\uFFFDx \uFFFD \uFFFD \uFFFD ok\uFFFD"));
    EXPECT_EQ(ToWx("plain"), wxString("plain"));
    EXPECT_EQ(ToWx(CString("")), wxString());
}

// A fill places items exactly where item-by-item sorted insertion does, equal texts and texts
// changed after insertion included (such siblings are out of text order, so a plain binary
// search would place later items elsewhere).
TEST_F(ControlsTest, TreeFillPlacesItemsAsSortedInsertionDoes) {
    const char* const texts[] = {"b", "B", "a", "ab", "Ab", "", "c", "aB", "b", "A", "ba"};
    // Some groups also grow past the few children a fill places by a scan of them.
    bool bBigGroups = false;
    auto fill = [&](CTreeCtrl& tree, bool bFill) {
        ASSERT_TRUE(tree.Create(WS_CHILD | TVS_HASBUTTONS, CRect(0, 0, 200, 200), &m_host, 12));
        if (bFill)
            tree.BeginFill();
        unsigned nSeed = 7;
        auto next = [&nSeed](unsigned n) {
            nSeed = nSeed * 1103515245u + 12345u;
            return (nSeed >> 16) % n;
        };
        DWORD_PTR nData = 0;
        for (int g = 0; g < 300; ++g) {
            HTREEITEM hRoot = tree.InsertItem(texts[next(11)], TVI_ROOT, TVI_SORT);
            tree.SetItemData(hRoot, ++nData);
            const unsigned nChildren = bBigGroups && g % 50 == 0 ? 40 : next(4);
            std::vector<HTREEITEM> group;
            for (unsigned c = 0; c < nChildren; ++c) {
                group.push_back(tree.InsertItem(texts[next(11)], hRoot, TVI_SORT));
                // In a big group, an earlier child's text may change too.
                HTREEITEM hChild =
                    bBigGroups && next(4) == 0 ? group[next((unsigned)group.size())] : group.back();
                tree.SetItemData(group.back(), ++nData);
                // As a group's kept entry changes: the two texts are swapped in place.
                if (next(3) == 0) {
                    const CString rootText = tree.GetItemText(hRoot);
                    tree.SetItemText(hRoot, tree.GetItemText(hChild));
                    tree.SetItemText(hChild, rootText);
                }
            }
        }
        if (bFill)
            tree.EndFill();
    };
    auto shape = [](CTreeCtrl& tree) {
        std::vector<std::pair<CString, DWORD_PTR>> items;
        for (HTREEITEM h = tree.GetRootItem(); h != nullptr; h = tree.GetNextSiblingItem(h)) {
            items.emplace_back(tree.GetItemText(h), tree.GetItemData(h));
            for (HTREEITEM c = tree.GetChildItem(h); c != nullptr; c = tree.GetNextSiblingItem(c))
                items.emplace_back("  " + tree.GetItemText(c), tree.GetItemData(c));
        }
        return items;
    };
    {
        bBigGroups = true;
        CTreeCtrl oneByOne, filled;
        fill(oneByOne, false);
        fill(filled, true);
        const auto expected = shape(oneByOne);
        ASSERT_EQ(expected.size(), size_t(filled.GetCount()));
        EXPECT_EQ(expected, shape(filled));
        oneByOne.DestroyWindow();
        filled.DestroyWindow();
    }
    bBigGroups = false;
    CTreeCtrl oneByOne, filled;
    fill(oneByOne, false);
    fill(filled, true);
    const auto expected = shape(oneByOne);
    ASSERT_EQ(expected.size(), size_t(filled.GetCount()));
    EXPECT_EQ(expected, shape(filled));
    // The toolkit's own order is the same (that is what it paints and what keys move through).
    auto* pWx = dynamic_cast<wxTreeCtrl*>(filled.GetWxWindow());
    ASSERT_NE(nullptr, pWx);
    wxTreeItemIdValue cookie;
    size_t n = 0;
    for (wxTreeItemId id = pWx->GetFirstChild(pWx->GetRootItem(), cookie); id.IsOk();
         id = pWx->GetNextChild(pWx->GetRootItem(), cookie)) {
        while (n < expected.size() && expected[n].first.Left(2) == "  ")
            ++n;
        ASSERT_LT(n, expected.size());
        EXPECT_EQ(expected[n++].second, filled.GetItemData(reinterpret_cast<HTREEITEM>(id.GetID())));
    }
}

// Reading the order during a fill, and walks that delete or insert on the way, see the tree as
// it is.
TEST_F(ControlsTest, TreeWalksFollowChangesOnTheWay) {
    CTreeCtrl tree;
    ASSERT_TRUE(tree.Create(WS_CHILD, CRect(0, 0, 200, 200), &m_host, 13));
    tree.BeginFill();
    for (const char* name : {"d", "b", "c"})
        tree.InsertItem(name, TVI_ROOT, TVI_SORT);
    EXPECT_EQ(CString("b"), tree.GetItemText(tree.GetRootItem()));
    tree.InsertItem("a", TVI_ROOT, TVI_SORT);
    tree.InsertItem("e", TVI_ROOT, TVI_LAST);
    tree.InsertItem("aa", TVI_ROOT, TVI_SORT);
    tree.EndFill();
    std::vector<CString> order;
    for (HTREEITEM h = tree.GetRootItem(); h != nullptr; h = tree.GetNextSiblingItem(h))
        order.push_back(tree.GetItemText(h));
    EXPECT_EQ(order, (std::vector<CString>{"a", "aa", "b", "c", "d", "e"}));

    // Every other item deleted behind the walk, one added in front of it.
    int nStep = 0;
    for (HTREEITEM h = tree.GetRootItem(); h != nullptr; ++nStep) {
        HTREEITEM hNext = tree.GetNextSiblingItem(h);
        if (nStep == 1)
            tree.InsertItem("z", TVI_ROOT, TVI_FIRST);
        if (nStep % 2 == 0)
            tree.DeleteItem(h);
        h = hNext;
    }
    order.clear();
    for (HTREEITEM h = tree.GetRootItem(); h != nullptr; h = tree.GetNextSiblingItem(h))
        order.push_back(tree.GetItemText(h));
    EXPECT_EQ(order, (std::vector<CString>{"z", "aa", "c", "e"}));
}

// Image lists whose owner (a dialog on the stack, say) goes before the toolkit's controls do.
TEST_F(ControlsTest, ControlsLetGoOfImagesThatGoBeforeThem) {
    auto MakeImages = [] {
        auto* pImages = new CImageList;
        EXPECT_TRUE(pImages->Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 2));
        pImages->GetWxImageList()->Add(wxBitmap(16, 16));
        return pImages;
    };
    CImageList* pImages = MakeImages();
    CImageList* pOther = MakeImages();
    CTreeCtrl tree;
    ASSERT_TRUE(tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS, CRect(0, 0, 200, 200), &m_host, 11));
    tree.SetImageList(pImages, TVSIL_NORMAL);
    HTREEITEM hItem = tree.InsertItem("Inbox", 0, 0, TVI_ROOT, TVI_LAST);
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 200, 200), &m_host, 12));
    list.SetImageList(pImages, LVSIL_SMALL);
    list.InsertColumn(0, "", LVCFMT_LEFT, 100);
    list.InsertItem(0, "Inbox", 0);
    // A second list that has moved on to other images keeps them.
    CListCtrl moved;
    ASSERT_TRUE(moved.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 200, 200), &m_host, 13));
    moved.SetImageList(pImages, LVSIL_SMALL);
    moved.SetImageList(pOther, LVSIL_SMALL);
    auto* pWxTree = dynamic_cast<wxTreeCtrl*>(tree.GetWxWindow());
    auto* pWxList = dynamic_cast<wxListCtrl*>(list.GetWxWindow());
    auto* pWxMoved = dynamic_cast<wxListCtrl*>(moved.GetWxWindow());
    ASSERT_NE(nullptr, pWxTree);
    ASSERT_EQ(pImages->GetWxImageList(), pWxTree->GetImageList());

    delete pImages;
    EXPECT_EQ(nullptr, pWxTree->GetImageList());
    EXPECT_EQ(nullptr, pWxList->GetImageList(wxIMAGE_LIST_SMALL));
    EXPECT_EQ(pOther->GetWxImageList(), pWxMoved->GetImageList(wxIMAGE_LIST_SMALL));
    // The tree still finds its item where the pointer is.
    wxRect rc;
    ASSERT_TRUE(pWxTree->GetBoundingRect(wxTreeItemId(reinterpret_cast<void*>(hItem)), rc, true));
    UINT uFlags = 0;
    EXPECT_EQ(hItem, tree.HitTest(CPoint(rc.x + rc.width / 2, rc.y + rc.height / 2), &uFlags));

    // Controls that went first are no concern of images that go later.
    moved.DestroyWindow();
    for (int i = 0; i < 5; ++i)
        wxTheApp->ProcessPendingEvents();
    delete pOther;
}

TEST_F(ControlsTest, AWindowMadeOrMovedSmallerThanNothingIsEmpty) {
    // A layout's margins can exceed a small window (a view before its first size): the desktop
    // makes such a window empty, where the toolkit would complain and take -1 for its own size.
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(10, 10, -9, -9), &m_host, 11));
    const auto expectEmpty = [&list](const char* lpszAfter) {
        CRect rc;
        list.GetWindowRect(&rc);
        EXPECT_EQ(rc.Width(), 0) << lpszAfter;
        EXPECT_EQ(rc.Height(), 0) << lpszAfter;
    };
    expectEmpty("made");
    list.MoveWindow(10, 10, 200, 100);
    list.MoveWindow(10, 10, -20, -1);
    expectEmpty("moved");
    list.SetWindowPos(nullptr, 0, 0, 200, 100, SWP_NOZORDER);
    list.SetWindowPos(nullptr, 0, 0, -1, -30, SWP_NOZORDER);
    expectEmpty("sized");
    // What the toolkit says in a test fails it.
    EXPECT_NONFATAL_FAILURE(g_log("Gtk", G_LOG_LEVEL_CRITICAL, "a complaint"),
                            "the toolkit complained: Gtk: a complaint");
}

TEST_F(ControlsTest, TabSelectionBySetCurSelIsSilentUserChangeIsNot) {
    CTabCtrl tabs;
    ASSERT_TRUE(tabs.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200), &m_host, 13));
    tabs.InsertItem(0, "General");
    tabs.InsertItem(1, "Properties");
    g_notes.clear();
    EXPECT_EQ(tabs.SetCurSel(1), 0);
    EXPECT_EQ(tabs.GetCurSel(), 1);
    EXPECT_TRUE(g_notes.empty());
    CRect r(0, 0, 300, 200);
    tabs.AdjustRect(FALSE, &r);
    EXPECT_GT(r.top, 0);
    EXPECT_LT(r.Width(), 300);
    CRect item;
    EXPECT_TRUE(tabs.GetItemRect(0, &item));
    EXPECT_GT(item.Height(), 0);
}

TEST_F(ControlsTest, ProgressPositionStaysInRange) {
    CProgressCtrl bar;
    ASSERT_TRUE(bar.Create(WS_CHILD, CRect(0, 0, 100, 10), &m_host, 14));
    bar.SetRange(0, 100);
    bar.SetPos(150);
    EXPECT_EQ(bar.GetPos(), 100);
    bar.SetPos(-5);
    EXPECT_EQ(bar.GetPos(), 0);
}

TEST_F(ControlsTest, WindowTextIsCutOnCharacterBoundaries) {
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_BORDER, CRect(0, 0, 100, 20), &m_host, 15));
    edit.SetWindowText("Gr\u00FC\u00DFe");
    char buf[5];
    EXPECT_EQ(edit.GetWindowText(buf, sizeof buf), 4);
    EXPECT_STREQ(buf, "Gr\xC3\xBC");
    char small[4];
    EXPECT_EQ(edit.GetWindowText(small, sizeof small), 2);
    EXPECT_STREQ(small, "Gr");
    CString all;
    edit.GetWindowText(all);
    EXPECT_EQ(all.GetLength(), 7);
}

// Lets the toolkit run until pDone says so or a generous limit passes.
template <typename Pred>
bool PumpUntil(Pred pDone, int nSeconds = 5) {
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(nSeconds == 0 ? 100 : nSeconds * 1000);
    while (!pDone()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        wxTheApp->Yield(true);
        AfxPumpMessages();
        wxMilliSleep(10);
    }
    return true;
}

// Colours its items by their data and notes which items it was asked about.
class CLookTree : public CTreeCtrl {
public:
    std::set<HTREEITEM> m_asked;
    size_t m_nAsked = 0;

protected:
    void PrepareItemLook(HTREEITEM hItem) override {
        m_asked.insert(hItem);
        ++m_nAsked;
        SetItemTextColor(hItem, GetItemData(hItem) % 2 != 0 ? RGB(200, 0, 0) : RGB(0, 0, 200));
    }
};

// A tree whose looks are to be chosen again asks for the looks of the items it paints (children
// of expanded items too) and of an item whose colour is read, each once, and of no other item.
TEST_F(ControlsTest, TreeChoosesTheLooksOfTheItemsItPaintsOrReads) {
    auto* pFrame = static_cast<wxFrame*>(m_host.GetWxWindow());
    pFrame->SetSize(40, 40, 300, 300);
    CLookTree tree;
    ASSERT_TRUE(tree.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 240, 200), &m_host, 14));
    std::vector<HTREEITEM> items, children;
    tree.BeginFill();
    for (int i = 0; i < 2000; ++i) {
        char text[16];
        snprintf(text, sizeof text, "item %04d", i);
        items.push_back(tree.InsertItem(text, TVI_ROOT, TVI_SORT));
        tree.SetItemData(items.back(), DWORD_PTR(i));
        if (i % 100 == 0) {
            children.push_back(tree.InsertItem("child", items.back(), TVI_SORT));
            tree.SetItemData(children.back(), 1);
            tree.Expand(items.back(), TVE_EXPAND);
        }
    }
    tree.EndFill();
    pFrame->Show();
    ASSERT_TRUE(PumpUntil([&] { return pFrame->IsShownOnScreen(); }));
    PumpUntil([] { return false; }, 0);
    EXPECT_TRUE(tree.m_asked.empty());  // new items keep the look they are given

    ASSERT_TRUE(tree.InvalidateItemLooks());
    ASSERT_TRUE(PumpUntil([&] { return tree.m_asked.count(children[0]) != 0; }));
    EXPECT_EQ(1u, tree.m_asked.count(items[0]));
    EXPECT_LT(tree.m_asked.size(), 40u);  // a window's height of lines, not the tree
    auto* pWx = dynamic_cast<wxTreeCtrl*>(tree.GetWxWindow());
    ASSERT_NE(nullptr, pWx);
    EXPECT_EQ(wxColour(200, 0, 0), pWx->GetItemTextColour(wxTreeItemId(items[1999])));
    EXPECT_EQ(0u, tree.m_asked.count(items[1000]));

    tree.EnsureVisible(items[1001]);
    ASSERT_TRUE(PumpUntil([&] { return tree.m_asked.count(items[1001]) != 0; }));
    EXPECT_EQ(1u, tree.m_asked.count(children[10]));  // the child just above, drawn in the same paint
    EXPECT_EQ(0u, tree.m_asked.count(items[500]));
    PumpUntil([] { return false; }, 0);
    EXPECT_EQ(tree.m_asked.size(), tree.m_nAsked);
    EXPECT_EQ(wxColour(0, 0, 200), pWx->GetItemTextColour(wxTreeItemId(items[1000])));
}

// The tree holds its labels back until it paints them, so it gives its rows their height from the
// font itself: the height the toolkit's own tree gives a row once it has measured a label, for the
// tree's own font and for a large one (the toolkit pads rows of 30 pixels or more differently).
// Rows only grow, in both trees: a smaller font later keeps the height of the labels measured.
TEST_F(ControlsTest, TreeRowsHaveTheHeightTheToolkitGivesAMeasuredLabel) {
    auto* pFrame = static_cast<wxFrame*>(m_host.GetWxWindow());
    pFrame->SetSize(40, 40, 500, 300);
    pFrame->Show();
    ASSERT_TRUE(PumpUntil([&] { return pFrame->IsShownOnScreen(); }));
    for (int nPoints : {0, 26}) {
        CTreeCtrl tree;
        ASSERT_TRUE(tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT,
                                CRect(0, 0, 240, 200), &m_host, 15));
        wxFont font = tree.GetWxWindow()->GetFont();
        if (nPoints != 0) {
            font.SetPointSize(nPoints);
            tree.GetWxWindow()->SetFont(font);
        }
        const HTREEITEM hItem = tree.InsertItem("Ag", TVI_ROOT, TVI_LAST);
        auto* pOurs = dynamic_cast<wxTreeCtrl*>(tree.GetWxWindow());
        ASSERT_NE(nullptr, pOurs);
        wxRect rcOurs;
        ASSERT_TRUE(pOurs->GetBoundingRect(wxTreeItemId(hItem), rcOurs, false));

        auto* pToolkit = new wxTreeCtrl(pFrame, wxID_ANY, wxPoint(250, 0), wxSize(240, 200),
                                        wxTR_HIDE_ROOT | wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT);
        pToolkit->SetFont(font);
        const wxTreeItemId id = pToolkit->AppendItem(pToolkit->AddRoot(wxString()), wxS("Ag"));
        pToolkit->Refresh();
        PumpUntil([] { return false; }, 0);
        wxRect rcToolkit;
        ASSERT_TRUE(pToolkit->GetBoundingRect(id, rcToolkit, false));
        EXPECT_EQ(rcToolkit.height, rcOurs.height) << nPoints << " points";
        EXPECT_EQ("Ag", tree.GetItemText(hItem));
        pToolkit->Destroy();
        tree.DestroyWindow();
    }
}

// The tests that move the real pointer run alone (qrv_tests_alone in CMakeLists.txt).
class TabClickTest : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_pFrame = static_cast<wxFrame*>(m_host.GetWxWindow());
        m_pFrame->SetSize(40, 40, 420, 320);
        ASSERT_TRUE(m_tabs.Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 390, 270), &m_host, 13));
        m_tabs.InsertItem(0, "General");
        m_tabs.InsertItem(1, "Properties");
        m_pFrame->Show();
        ASSERT_TRUE(PumpUntil([this] { return m_pFrame->IsShownOnScreen(); }));
    }
    // Clicks the middle of the button with the real pointer and waits for the command. A click may
    // be lost while another test's window briefly lies over this one on a shared display, so it is
    // tried a few times.
    bool ClickButton(CButton& button) {
        const int nBefore = m_host.m_nClicks;
        for (int nTry = 0; nTry < 5; ++nTry) {
            // Other tests' windows may open over ours; it goes on top before each try.
            m_pFrame->Raise();
            PumpUntil([] { return false; }, 0);
            wxRect r = button.GetWxWindow()->GetScreenRect();
            qrvtest::RealInput sim;
            sim.MouseMove(r.x + r.width / 2, r.y + r.height / 2);
            sim.MouseClick();
            if (PumpUntil([&] { return m_host.m_nClicks > nBefore; }, 2))
                return true;
        }
        return false;
    }
    wxFrame* m_pFrame = nullptr;
    CTabCtrl m_tabs;
};

TEST_F(TabClickTest, ButtonShownBeforeItsTabWasAddedTakesClicks) {
    // A page that fills itself before its tab appears (as a search result page does).
    CButton button;
    ASSERT_TRUE(button.Create("Delete", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(60, 80, 260, 140),
                              &m_host, kButtonID));
    m_tabs.InsertItem(2, "Results");
    m_tabs.SetCurSel(2);
    EXPECT_TRUE(ClickButton(button));
    // Going to another tab and back leaves the button reachable too.
    m_tabs.SetCurSel(0);
    m_tabs.SetCurSel(2);
    EXPECT_TRUE(ClickButton(button));
}

// A test that makes real input without being listed to run alone on the display fails at its
// first input, and the input goes nowhere: not a click lands, in its window or another test's.
TEST_F(TabClickTest, RealInputOfATestNotListedToRunAloneFailsAndGoesNowhere) {
    CButton button;
    ASSERT_TRUE(button.Create("Delete", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(60, 80, 260, 140),
                              &m_host, kButtonID));
    const char* lpszListed = std::getenv("QRV_REAL_INPUT");
    const std::string listed = lpszListed != nullptr ? lpszListed : "";
    unsetenv("QRV_REAL_INPUT");
    const wxRect r = button.GetWxWindow()->GetScreenRect();
    EXPECT_NONFATAL_FAILURE(
        {
            qrvtest::RealInput sim;
            EXPECT_FALSE(sim.MouseMove(r.x + r.width / 2, r.y + r.height / 2));
            EXPECT_FALSE(sim.MouseClick());
        },
        "REAL_INPUT of qrv_tests_alone");
    EXPECT_FALSE(PumpUntil([&] { return m_host.m_nClicks > 0; }, 1));
    if (lpszListed != nullptr)
        setenv("QRV_REAL_INPUT", listed.c_str(), 1);
}

}  // namespace
