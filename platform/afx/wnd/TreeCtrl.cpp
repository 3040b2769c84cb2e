// Tree views over the toolkit's generic tree, which this file reaches into for speed and looks.
#include <wx/dcclient.h>
#include <wx/imaglist.h>
#include <wx/renderer.h>
#include <wx/treectrl.h>
#include <wx/weakref.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>

#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/TreeSortIndex.h"
#include "platform/afx/wnd/WxText.h"

// The tree below uses members of the toolkit's generic tree that are not its public interface:
// PaintLevel, m_lineHeight, m_dirty, CalculatePositions, m_normalFont, m_dottedPen,
// AdjustMyScrollbars, the child cookie taken as the position of the next child, and the formula
// by which a row's height follows from its label. They are as the 3.2 series has them; another
// series may rename, move or change any of them without a word from the compiler.
#if !wxCHECK_VERSION(3, 2, 0) || wxCHECK_VERSION(3, 3, 0)
#error \
    "TreeCtrl.cpp reaches into the generic tree of wxWidgets 3.2.x: check PaintLevel, m_lineHeight, m_dirty, CalculatePositions, the child cookie and the row height formula against this version's src/generic/treectlg.cpp before widening this check"
#endif
static_assert(std::is_base_of_v<wxGenericTreeCtrl, wxTreeCtrl>,
              "the tree control needs the toolkit's generic tree as its wxTreeCtrl");

IMPLEMENT_DYNAMIC(CTreeCtrl, CWnd)

namespace {
class CTreeItemData : public wxTreeItemData {
public:
    DWORD_PTR m_dwData = 0;
    size_t m_nRank = 0;  // the item's place while a fill puts the siblings in order
    // The item's node in its siblings' index; valid only while m_nSortFill is the tree's.
    CTreeSortIndex* m_pSortIndex = nullptr;
    CTreeSortIndex::Node* m_pSortNode = nullptr;
    unsigned m_nSortFill = 0;
    unsigned m_nLooks = 0;  // the round of looks in which the item's colour and font were chosen
    // The item's label. The toolkit's tree gets it only when the item is first painted or its
    // place on screen is asked for (m_bShown): until then it holds an empty text.
    wxString m_text;
    bool m_bShown = false;
};

wxTreeCtrl* TV(wxWindow* w) {
    return dynamic_cast<wxTreeCtrl*>(w);
}
wxTreeItemId Id(HTREEITEM h) {
    return wxTreeItemId(reinterpret_cast<void*>(h));
}
HTREEITEM H(const wxTreeItemId& id) {
    return id.IsOk() ? reinterpret_cast<HTREEITEM>(id.GetID()) : nullptr;
}
// Top-level items hang below a hidden root, so the tree can have several of them.
wxTreeItemId RootOf(wxTreeCtrl* p) {
    wxTreeItemId root = p->GetRootItem();
    if (!root.IsOk())
        root = p->AddRoot(wxString());
    return root;
}
wxTreeItemId ParentOf(wxTreeCtrl* p, HTREEITEM hParent) {
    return (hParent == nullptr || hParent == TVI_ROOT) ? RootOf(p) : Id(hParent);
}
void FillItem(TVITEMA& tv, wxTreeCtrl* p, const wxTreeItemId& id) {
    tv.hItem = H(id);
    if (id.IsOk() && id != p->GetRootItem())
        if (auto* d = dynamic_cast<CTreeItemData*>(p->GetItemData(id)))
            tv.lParam = (LPARAM)d->m_dwData;
}
}  // namespace

namespace {
// The toolkit's tree where it differs from the common control. It draws a selected item's text in
// the selection's text colour whatever colour the item was given, where the common control keeps
// a colour that custom drawing chose for the item (a marked entry stays grey on the selection):
// after the tree has painted, the label of every selected item with a colour of its own is painted
// again, the selection background as the tree draws it, then the text in the item's colour.
//
// It also keeps what makes long fills and walks cost time in proportion to the items. The
// toolkit's tree keeps each item's children in an array: inserting at a position moves the later
// siblings, finding an item's next sibling searches the array for the item, and every expansion
// lays the whole tree out again. So a fill appends items to their parent, finds their sorted
// place in an index and puts each parent's children in that order once, at its end; walks go on
// from the position where the last step was found. A parent with few children needs neither: a
// scan of them costs less than an index or a remembered position.
//
// The toolkit measures an item's text again whenever the item gets a font of its own, which for a
// whole tree costs more than the fill. So when every item's look is to be chosen again, only a
// round number changes; an item gets its colour and font just before it is painted or they are
// read, and only the items painted are measured twice.
//
// The toolkit also measures the text of every item when it lays the tree out, which for a large
// tree costs most of its fill. So the toolkit's items hold an empty text, which costs nothing to
// measure, and each item's label is kept beside it; the toolkit gets the label when the item is
// first painted, or when its label's place is asked for (a hit test, the label's rectangle).
// Rows, order, selection, keys and scrolling are the toolkit's own; only the width that a
// horizontal scroll needs grows as wider labels come into view.
class CWxTreeCtrl : public wxTreeCtrl {
public:
    static constexpr size_t kFewChildren = 16;

    bool m_bNoToolTips = false;
    bool m_bToolkitPaint = false;  // the toolkit's own paint of every item
    int m_nFill = 0;
    unsigned m_nLooks = 0;  // the round of looks: items of an older round are chosen again
    std::function<void(const wxTreeItemId&)> m_prepareLook;

    void BeginFill() {
        if (m_nFill++ == 0)
            Freeze();
    }
    void EndFill() {
        if (m_nFill == 0 || --m_nFill > 0)
            return;
        DropIndexes();
        Thaw();
    }

    // A sorted insertion during a fill: among few siblings the item goes straight to its place,
    // among many it is appended and its place kept in the index.
    wxTreeItemId InsertSorted(const wxTreeItemId& parent, const wxString& text, const wxString& sortAs,
                              int nImage, int nSelectedImage, CTreeItemData* pData) {
        auto it = m_indexes.find(parent.GetID());
        if (it == m_indexes.end() && GetChildrenCount(parent, false) < kFewChildren)
            return InsertItem(parent, SortedPlace(this, parent, sortAs), wxString(), nImage, nSelectedImage,
                              pData);
        CTreeSortIndex& index = it != m_indexes.end() ? *it->second : IndexOf(parent);
        wxTreeItemId id = AppendItem(parent, wxString(), nImage, nSelectedImage, pData);
        if (id.IsOk()) {
            Keep(pData, index, index.Insert(id.GetID(), sortAs));
            if (sortAs != text)
                index.SetText(pData->m_pSortNode, text);
            m_unordered.insert(parent.GetID());
        }
        return id;
    }
    void TextChanged(const wxTreeItemId& id, const wxString& text) {
        auto* d = dynamic_cast<CTreeItemData*>(GetItemData(id));
        if (d != nullptr && d->m_pSortNode != nullptr && d->m_nSortFill == m_nSortFill)
            d->m_pSortIndex->SetText(d->m_pSortNode, text);
    }
    // Where a sorted insertion goes among the children as they stand: before the first whose text
    // is greater, ignoring case, as the common control sorts.
    static size_t SortedPlace(wxTreeCtrl* p, const wxTreeItemId& parent, const wxString& sortAs) {
        size_t nPos = 0;
        wxTreeItemIdValue cookie;
        for (wxTreeItemId c = p->GetFirstChild(parent, cookie); c.IsOk();
             c = p->GetNextChild(parent, cookie)) {
            if (p->GetItemText(c).CmpNoCase(sortAs) > 0)
                break;
            ++nPos;
        }
        return nPos;
    }
    // Anything that reads the order of siblings sees the sorted order.
    void ApplyOrder() {
        // Walks ask this at every step: with nothing to do it must cost nothing (clearing an empty
        // set still wipes all its buckets).
        if (m_unordered.empty())
            return;
        for (void* pParent : m_unordered) {
            auto it = m_indexes.find(pParent);
            if (it == m_indexes.end())
                continue;
            const wxTreeItemId parent(pParent);
            size_t nRank = 0;
            bool bInOrder = true;  // items mostly come in order: then there is nothing to sort
            it->second->ForEach([&](void* pItem) {
                if (auto* d = dynamic_cast<CTreeItemData*>(GetItemData(wxTreeItemId(pItem))))
                    d->m_nRank = nRank;
                if (bInOrder && ChildAt(parent, nRank).GetID() != pItem)
                    bInOrder = false;
                ++nRank;
            });
            if (bInOrder)
                continue;
            m_bRanking = true;
            SortChildren(parent);
            m_bRanking = false;
        }
        decltype(m_unordered)().swap(m_unordered);
    }
    // Before an insertion the index does not place, or a deletion: the toolkit's order is made
    // right and the indexes are dropped (the next sorted insertion reads the order anew).
    void DropIndexes() {
        ApplyOrder();
        if (m_indexes.empty())
            return;
        decltype(m_indexes)().swap(m_indexes);
        ++m_nSortFill;  // the items' nodes went with the indexes
    }

    // The child at a position, straight from the toolkit's array of children (its child cookie is
    // the position of the next child).
    wxTreeItemId ChildAt(const wxTreeItemId& parent, size_t nPos) const {
        wxTreeItemIdValue cookie = reinterpret_cast<wxTreeItemIdValue>(static_cast<uintptr_t>(nPos));
        return GetNextChild(parent, cookie);
    }
    wxTreeItemId FirstChild(const wxTreeItemId& parent) {
        ApplyOrder();
        wxTreeItemIdValue cookie;
        wxTreeItemId first = GetFirstChild(parent, cookie);
        auto it = m_cursors.find(parent.GetID());
        if (first.IsOk() && it != m_cursors.end())
            it->second = 0;
        return first;
    }
    wxTreeItemId NextSibling(const wxTreeItemId& id) {
        ApplyOrder();
        const wxTreeItemId parent = GetItemParent(id);
        if (!parent.IsOk())
            return wxTreeItemId();
        size_t nPos = 0;
        bool bFound = false;
        auto it = m_cursors.find(parent.GetID());
        if (it != m_cursors.end()) {
            // Where the walk was; a step back or on when the walk deleted or added an item there.
            for (size_t nTry : {it->second, it->second - 1, it->second + 1}) {
                if (nTry != (size_t)-1 && ChildAt(parent, nTry) == id) {
                    nPos = nTry;
                    bFound = true;
                    break;
                }
            }
        }
        if (!bFound) {
            wxTreeItemIdValue cookie;
            for (wxTreeItemId c = GetFirstChild(parent, cookie); c.IsOk();
                 c = GetNextChild(parent, cookie), ++nPos)
                if (c == id) {
                    bFound = true;
                    break;
                }
            if (!bFound)
                return GetNextSibling(id);
        }
        wxTreeItemId next = ChildAt(parent, nPos + 1);
        if (it != m_cursors.end())
            it->second = nPos + 1;
        else if (nPos + 1 >= kFewChildren)
            m_cursors[parent.GetID()] = nPos + 1;
        return next;
    }
    void ForgetWalks() { decltype(m_cursors)().swap(m_cursors); }

    int OnCompareItems(const wxTreeItemId& a, const wxTreeItemId& b) override {
        if (!m_bRanking)
            return wxTreeCtrl::OnCompareItems(a, b);
        auto* da = dynamic_cast<CTreeItemData*>(GetItemData(a));
        auto* db = dynamic_cast<CTreeItemData*>(GetItemData(b));
        const size_t ra = da ? da->m_nRank : 0;
        const size_t rb = db ? db->m_nRank : 0;
        return ra < rb ? -1 : (ra > rb ? 1 : 0);
    }

    // The label kept beside the toolkit's item (the hidden root and foreign items: the toolkit's).
    wxString GetItemText(const wxTreeItemId& id) const override {
        if (auto* d = dynamic_cast<CTreeItemData*>(GetItemData(id)))
            return d->m_text;
        return wxTreeCtrl::GetItemText(id);
    }
    void SetItemText(const wxTreeItemId& id, const wxString& text) override {
        auto* d = dynamic_cast<CTreeItemData*>(GetItemData(id));
        if (d == nullptr || d->m_bShown) {
            if (d != nullptr)
                d->m_text = text;
            wxTreeCtrl::SetItemText(id, text);
            return;
        }
        d->m_text = text;  // handed on when the item is painted
    }
    // Hands the item's label to the toolkit, which measures it; TRUE when it had not yet.
    bool ShowText(const wxTreeItemId& id) const {
        auto* d = id.IsOk() ? dynamic_cast<CTreeItemData*>(GetItemData(id)) : nullptr;
        if (d == nullptr || d->m_bShown)
            return false;
        d->m_bShown = true;
        if (!d->m_text.empty()) {
            auto* pThis = const_cast<CWxTreeCtrl*>(this);
            const int nLine = m_lineHeight;
            pThis->wxTreeCtrl::SetItemText(id, d->m_text);
            if (m_lineHeight != nLine)
                pThis->m_dirty = true;
        }
        return true;
    }
    // The toolkit gives every row the height of the tallest label it has measured: with the labels
    // held back, the rows get a label's height from the start. A label that needs more when it
    // is shown makes the tree lay its rows out again.
    void KeepLabelHeight() {
        wxClientDC dc(this);
        dc.SetFont(GetFont());
        wxCoord nWidth = 0, nHeight = 0;
        dc.GetTextExtent(wxS("Ag"), &nWidth, &nHeight);
        int nLine = nHeight + 2;  // as the toolkit sizes a row around its label
        nLine += nLine < 30 ? 2 : nLine / 10;
        if (m_lineHeight < nLine) {
            m_lineHeight = nLine;
            m_dirty = true;
        }
    }
    bool SetFont(const wxFont& font) override {
        const bool bSet = wxTreeCtrl::SetFont(font);
        KeepLabelHeight();
        return bSet;
    }
    void SetImageList(wxImageList* pList) override {
        wxTreeCtrl::SetImageList(pList);
        KeepLabelHeight();
    }
    void SetStateImageList(wxImageList* pList) override {
        wxTreeCtrl::SetStateImageList(pList);
        KeepLabelHeight();
    }
    void OnImagesChanged() override {
        wxTreeCtrl::OnImagesChanged();
        KeepLabelHeight();
    }
    bool GetBoundingRect(const wxTreeItemId& id, wxRect& rect, bool textOnly = false) const override {
        if (textOnly)
            ShowText(id);
        return wxTreeCtrl::GetBoundingRect(id, rect, textOnly);
    }

    // Every item's look is to be chosen again.
    void InvalidateLooks() {
        ++m_nLooks;
        Refresh();
    }
    // Chooses an item's look if it is of an older round. The round is noted first: the choice
    // reads the colour and font it changes.
    void PrepareLook(const wxTreeItemId& id) const {
        if (!m_prepareLook || !id.IsOk())
            return;
        auto* d = dynamic_cast<CTreeItemData*>(GetItemData(id));
        if (d == nullptr || d->m_nLooks == m_nLooks)
            return;
        d->m_nLooks = m_nLooks;
        m_prepareLook(id);
    }
    wxColour GetItemTextColour(const wxTreeItemId& id) const override {
        PrepareLook(id);
        return wxTreeCtrl::GetItemTextColour(id);
    }
    wxFont GetItemFont(const wxTreeItemId& id) const override {
        PrepareLook(id);
        return wxTreeCtrl::GetItemFont(id);
    }
    // A look chosen while the tree paints shows in that paint: the line need not be painted again.
    void Refresh(bool bEraseBackground = true, const wxRect* pRect = nullptr) override {
        if (!m_bPaintingLooks)
            wxTreeCtrl::Refresh(bEraseBackground, pRect);
    }

    CWxTreeCtrl(wxWindow* pParent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style)
        : wxTreeCtrl(pParent, id, pos, size, style) {
        KeepLabelHeight();
        Bind(wxEVT_PAINT, &CWxTreeCtrl::OnPaintKeepingColours, this);
        // Asked for each item the pointer comes to rest on: without tooltips, the answer is none.
        Bind(wxEVT_TREE_ITEM_GETTOOLTIP, [this](wxTreeEvent& event) {
            if (m_bNoToolTips)
                event.Veto();
            else
                event.Skip();
        });
        // The toolkit reports every deleted item, and the report climbs through every window
        // above the tree; nothing here asks for it, so emptying a large tree stops it at the tree.
        Bind(wxEVT_TREE_DELETE_ITEM, [](wxTreeEvent&) {});
        // So does the report of each expansion: a fill expands every group it makes.
        Bind(wxEVT_TREE_ITEM_EXPANDED, [](wxTreeEvent&) {});
        // The common control takes the keyboard on a right click as on a left one; without it
        // the keys after a context menu would go to the button that had the focus before.
        Bind(wxEVT_RIGHT_DOWN, [this](wxMouseEvent& event) {
            if (!HasFocus())
                SetFocus();
            event.Skip();
        });
    }

private:
    // The index of a parent's children, made from their present order when a fill first inserts.
    CTreeSortIndex& IndexOf(const wxTreeItemId& parent) {
        std::unique_ptr<CTreeSortIndex>& pIndex = m_indexes[parent.GetID()];
        if (!pIndex) {
            pIndex = std::make_unique<CTreeSortIndex>();
            wxTreeItemIdValue cookie;
            for (wxTreeItemId c = GetFirstChild(parent, cookie); c.IsOk(); c = GetNextChild(parent, cookie)) {
                CTreeSortIndex::Node* pNode = pIndex->Append(c.GetID(), GetItemText(c));
                if (auto* d = dynamic_cast<CTreeItemData*>(GetItemData(c)))
                    Keep(d, *pIndex, pNode);
            }
        }
        return *pIndex;
    }
    void Keep(CTreeItemData* pData, CTreeSortIndex& index, CTreeSortIndex::Node* pNode) const {
        pData->m_pSortIndex = &index;
        pData->m_pSortNode = pNode;
        pData->m_nSortFill = m_nSortFill;
    }

    // Calls f for each item below parent whose line meets the rows [yTop, yBottom) of the window,
    // in order. Siblings lie in the order of their lines, so the first is found by halving.
    // The first of a parent's nCount children whose branch may reach the row at yTop (client
    // coordinates): the last one that starts above it, which may reach it through its children.
    size_t FirstReaching(const wxTreeItemId& parent, size_t nCount, int yTop) const {
        size_t nLow = 0, nHigh = nCount;
        while (nLow < nHigh) {
            const size_t nMid = (nLow + nHigh) / 2;
            if (LineOf(ChildAt(parent, nMid)).GetTop() <= yTop)
                nLow = nMid + 1;
            else
                nHigh = nMid;
        }
        return nLow > 0 ? nLow - 1 : 0;
    }
    template <class F>
    void ForEachItemInRows(const wxTreeItemId& parent, int yTop, int yBottom, F f) {
        const size_t nCount = GetChildrenCount(parent, false);
        for (size_t i = FirstReaching(parent, nCount, yTop); i < nCount; ++i) {
            const wxTreeItemId c = ChildAt(parent, i);
            const wxRect rc = LineOf(c);
            if (rc.GetTop() >= yBottom)
                break;
            if (rc.GetBottom() >= yTop)
                f(c);
            if (IsExpanded(c) && ItemHasChildren(c))
                ForEachItemInRows(c, yTop, yBottom, f);
        }
    }
    wxRect LineOf(const wxTreeItemId& id) const {
        wxRect rc;
        wxTreeCtrl::GetBoundingRect(id, rc, false);  // the row: its label need not be measured
        return rc;
    }
    // The items about to be painted get their labels and looks before the tree paints them.
    void PrepareItemsToPaint() {
        if (!GetRootItem().IsOk())
            return;
        if (m_dirty)
            CalculatePositions();  // the lines where this paint puts them
        const wxRect rcUpdate = GetUpdateRegion().GetBox();
        const int nWidth = GetVirtualSize().x;
        bool bWider = false;
        m_bPaintingLooks = true;
        ForEachItemInRows(GetRootItem(), rcUpdate.GetTop(), rcUpdate.GetBottom() + 1,
                          [this, nWidth, &bWider](const wxTreeItemId& id) {
                              PrepareLook(id);
                              if (ShowText(id)) {
                                  wxRect rc;
                                  wxTreeCtrl::GetBoundingRect(id, rc, true);
                                  bWider = bWider || CalcUnscrolledPosition(rc.GetTopRight()).x >= nWidth;
                              }
                          });
        m_bPaintingLooks = false;
        // A label wider than any shown so far: the horizontal scroll reaches it after this paint.
        if (bWider && !m_bWidening) {
            m_bWidening = true;
            CallAfter([this] {
                m_bWidening = false;
                AdjustMyScrollbars();
            });
        }
    }

    std::unordered_map<void*, std::unique_ptr<CTreeSortIndex>> m_indexes;  // by parent
    unsigned m_nSortFill = 0;  // counts the fills whose indexes were dropped
    bool m_bPaintingLooks = false;
    bool m_bWidening = false;
    std::unordered_set<void*> m_unordered;  // parents whose children are not in order yet
    bool m_bRanking = false;
    std::unordered_map<void*, size_t> m_cursors;  // by parent: where the last walk step was

    // The toolkit's paint, over the rows the paint asks for. The toolkit's own walks every expanded
    // item for each paint, which for a large result costs a noticeable pause at every scroll or
    // selection; this one starts at the first top-level item that reaches into the rows and stops
    // below them. Each item and its branch lines are drawn by the toolkit as in its own paint.
    void PaintRows() {
        wxPaintDC dc(this);
        PrepareDC(dc);
        const wxTreeItemId root = GetRootItem();
        if (!root.IsOk())
            return;
        dc.SetFont(m_normalFont);
        dc.SetPen(m_dottedPen);
        const size_t nCount = GetChildrenCount(root, false);
        if (nCount == 0)
            return;
        const wxRect rcUpdate = GetUpdateRegion().GetBox();
        auto topOf = [this](const wxTreeItemId& id) {
            return CalcUnscrolledPosition(LineOf(id).GetTopLeft()).y;
        };
        auto item = [](const wxTreeItemId& id) { return static_cast<wxGenericTreeItem*>(id.GetID()); };
        for (size_t i = FirstReaching(root, nCount, rcUpdate.GetTop()); i < nCount; ++i) {
            const wxTreeItemId c = ChildAt(root, i);
            if (LineOf(c).GetTop() > rcUpdate.GetBottom())
                break;
            int y = topOf(c);  // where the toolkit draws it, before the scroll
            PaintLevel(item(c), dc, 1, y);
        }
        // The line that joins the top-level items, as the toolkit draws it below a hidden root.
        if (!HasFlag(wxTR_NO_LINES) && HasFlag(wxTR_LINES_AT_ROOT)) {
            const wxTreeItemId first = ChildAt(root, 0);
            const wxTreeItemId last = ChildAt(root, nCount - 1);
            dc.DrawLine(3, topOf(first) + (GetLineHeight(item(first)) >> 1), 3,
                        topOf(last) + (GetLineHeight(item(last)) >> 1));
        }
    }

    void OnPaintKeepingColours(wxPaintEvent& event) {
        PrepareItemsToPaint();
        if (m_bToolkitPaint) {
            OnPaint(event);
        } else {
            PaintRows();
        }
        // A tree of one selection has it at hand; the list of selections walks every item.
        wxArrayTreeItemIds selected;
        if (!HasFlag(wxTR_MULTIPLE)) {
            const wxTreeItemId current = GetSelection();
            if (current.IsOk() && IsSelected(current))
                selected.push_back(current);
        } else {
            GetSelections(selected);
        }
        if (selected.empty())
            return;
        wxPaintDC dc(this);
        dc.SetBackgroundMode(wxTRANSPARENT);
        for (size_t i = 0; i < selected.size(); ++i) {
            const wxTreeItemId id = selected[i];
            const wxColour colour = GetItemTextColour(id);
            wxRect rc;
            if (!colour.IsOk() || !GetBoundingRect(id, rc, true))
                continue;
            // The tree's selection reaches two pixels left of the text.
            const wxRect rcSelection(rc.x - 2, rc.y, rc.width + 2, rc.height);
            int nFlags = wxCONTROL_SELECTED;
            if (HasFocus())
                nFlags |= wxCONTROL_FOCUSED;
            if (HasFocus() && GetFocusedItem() == id)
                nFlags |= wxCONTROL_CURRENT;
            wxRendererNative::Get().DrawItemSelectionRect(this, dc, rcSelection, nFlags);
            const wxFont font = GetItemFont(id);
            dc.SetFont(font.IsOk() ? font : GetFont());
            dc.SetTextForeground(colour);
            const wxString text = GetItemText(id);
            const wxCoord nTextHeight = dc.GetTextExtent(text).y;
            const wxCoord yText = rc.y + (rc.height > nTextHeight ? (rc.height - nTextHeight) / 2 : 0);
            dc.DrawText(text, rc.x, yText);
        }
    }
};
CWxTreeCtrl* OwnTV(wxWindow* w) {
    return dynamic_cast<CWxTreeCtrl*>(w);
}
}  // namespace

BOOL CTreeCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("SysTreeView32", nullptr, dwStyle, rect, pParentWnd, nID);
}

wxWindow* CTreeCtrl::CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) {
    if (pParent == nullptr)
        return nullptr;
    long style = wxTR_HIDE_ROOT | wxTR_SINGLE;
    style |= (cs.style & TVS_HASBUTTONS) ? wxTR_HAS_BUTTONS : wxTR_NO_BUTTONS;
    style |= (cs.style & TVS_HASLINES) ? 0 : wxTR_NO_LINES;
    if (cs.style & TVS_LINESATROOT)
        style |= wxTR_LINES_AT_ROOT;
    style |= ((cs.dwExStyle & WS_EX_CLIENTEDGE) || (cs.style & WS_BORDER)) ? wxBORDER_SUNKEN : 0;
    auto* p =
        new CWxTreeCtrl(pParent, WxWindowId(cs.hMenu), wxPoint(cs.x, cs.y), wxSize(cs.cx, cs.cy), style);
    p->m_bNoToolTips = (cs.style & TVS_NOTOOLTIPS) != 0;
    p->AddRoot(wxString());
    return p;
}

void CTreeCtrl::BindWxEvents() {
    CWnd::BindWxEvents();
    HWND h = m_hWnd;
    if (CWxTreeCtrl* pOwn = OwnTV(m_pWx))
        pOwn->m_prepareLook = [h](const wxTreeItemId& id) {
            if (auto* p = dynamic_cast<CTreeCtrl*>(CWnd::FromHandle(h)))
                p->PrepareItemLook(H(id));
        };
    m_pWx->Bind(wxEVT_TREE_SEL_CHANGED, [h](wxTreeEvent& e) {
        auto* p = dynamic_cast<CTreeCtrl*>(CWnd::FromHandle(h));
        if (p == nullptr)
            return;
        NMTREEVIEW nm{};
        nm.hdr.code = TVN_SELCHANGED;
        FillItem(nm.itemOld, TV(p->m_pWx), e.GetOldItem());
        FillItem(nm.itemNew, TV(p->m_pWx), e.GetItem());
        p->NotifyParent(&nm.hdr);
    });
    m_pWx->Bind(wxEVT_TREE_ITEM_EXPANDING, [h](wxTreeEvent& e) {
        auto* p = dynamic_cast<CTreeCtrl*>(CWnd::FromHandle(h));
        if (p == nullptr)
            return;
        NMTREEVIEW nm{};
        nm.hdr.code = TVN_ITEMEXPANDING;
        nm.action = TVE_EXPAND;
        FillItem(nm.itemNew, TV(p->m_pWx), e.GetItem());
        if (p->NotifyParent(&nm.hdr) != 0)
            e.Veto();
    });
    m_pWx->Bind(wxEVT_TREE_ITEM_ACTIVATED, [h](wxTreeEvent&) {
        auto* p = dynamic_cast<CTreeCtrl*>(CWnd::FromHandle(h));
        if (p == nullptr)
            return;
        NMHDR hdr{};
        hdr.code = NM_DBLCLK;
        p->NotifyParent(&hdr);
    });
    m_pWx->Bind(wxEVT_TREE_ITEM_RIGHT_CLICK, [h](wxTreeEvent&) {
        auto* p = dynamic_cast<CTreeCtrl*>(CWnd::FromHandle(h));
        if (p == nullptr)
            return;
        NMHDR hdr{};
        hdr.code = NM_RCLICK;
        p->NotifyParent(&hdr);
    });
}

HTREEITEM CTreeCtrl::InsertItem(LPCSTR lpszItem, int nImage, int nSelectedImage, HTREEITEM hParent,
                                HTREEITEM hInsertAfter) {
    return InsertItem(lpszItem, lpszItem, nImage, nSelectedImage, hParent, hInsertAfter);
}

namespace {
bool SameText(LPCSTR a, LPCSTR b) {
    return a == b || (a != nullptr && b != nullptr && strcmp(a, b) == 0);
}

// A tree label is one line of at most kMaxLabel characters, as the common control draws it. The
// toolkit's tree gives every row the height of its tallest label, so one subject with line breaks
// would make every row of a large tree several lines high: breaks and tabs are shown as spaces.
// It also measures every label whole and offers one that does not fit as a tooltip, so the text of
// a pasted document would ask for rows and tooltip windows wider than the toolkit can make.
constexpr size_t kMaxLabel = 259;

wxString ToWxLabel(LPCSTR lpszText) {
    static constexpr char kBreaks[] = "\r\n\t\v\f";
    wxString label;
    if (lpszText == nullptr || strpbrk(lpszText, kBreaks) == nullptr) {
        label = ToWx(lpszText);
    } else {
        std::string line(lpszText);
        for (char& c : line)
            if (strchr(kBreaks, c) != nullptr)
                c = ' ';
        label = ToWx(line.c_str());
    }
    if (label.length() > kMaxLabel)
        label.Truncate(kMaxLabel);
    return label;
}
}  // namespace

HTREEITEM CTreeCtrl::InsertItemSortedAs(LPCSTR lpszItem, LPCSTR lpszSortAs, HTREEITEM hParent) {
    return InsertItem(lpszItem, lpszSortAs, -1, -1, hParent, TVI_SORT);
}

HTREEITEM CTreeCtrl::InsertItem(LPCSTR lpszItem, LPCSTR lpszSortAs, int nImage, int nSelectedImage,
                                HTREEITEM hParent, HTREEITEM hInsertAfter) {
    wxTreeCtrl* p = TV(m_pWx);
    if (p == nullptr)
        return nullptr;
    wxTreeItemId parent = ParentOf(p, hParent);
    wxString text = ToWxLabel(lpszItem);
    auto* pData = new CTreeItemData;
    wxTreeItemId id;
    CWxTreeCtrl* pOwn = OwnTV(p);
    pData->m_text = text;
    // Our own tree takes the label when it paints the item; any other measures it now.
    const wxString shown = pOwn != nullptr ? wxString() : text;
    pData->m_bShown = pOwn == nullptr;
    if (pOwn != nullptr)
        pData->m_nLooks = pOwn->m_nLooks;  // a new item keeps the look it is given
    if (pOwn != nullptr && pOwn->m_nFill > 0) {
        if (hInsertAfter == TVI_SORT)
            return H(pOwn->InsertSorted(parent, text,
                                        SameText(lpszSortAs, lpszItem) ? text : ToWxLabel(lpszSortAs), nImage,
                                        nSelectedImage, pData));
        pOwn->DropIndexes();
    }
    if (hInsertAfter == TVI_FIRST) {
        id = p->PrependItem(parent, shown, nImage, nSelectedImage, pData);
    } else if (hInsertAfter == TVI_SORT) {
        const wxString sortAs = SameText(lpszSortAs, lpszItem) ? text : ToWxLabel(lpszSortAs);
        id = p->InsertItem(parent, CWxTreeCtrl::SortedPlace(p, parent, sortAs), shown, nImage, nSelectedImage,
                           pData);
    } else if (hInsertAfter == TVI_LAST || hInsertAfter == nullptr) {
        id = p->AppendItem(parent, shown, nImage, nSelectedImage, pData);
    } else {
        id = p->InsertItem(parent, Id(hInsertAfter), shown, nImage, nSelectedImage, pData);
    }
    return H(id);
}

HTREEITEM CTreeCtrl::InsertItem(LPCSTR lpszItem, HTREEITEM hParent, HTREEITEM hInsertAfter) {
    return InsertItem(lpszItem, -1, -1, hParent, hInsertAfter);
}

BOOL CTreeCtrl::DeleteItem(HTREEITEM hItem) {
    wxTreeCtrl* p = TV(m_pWx);
    if (p == nullptr || hItem == nullptr)
        return FALSE;
    if (hItem == TVI_ROOT)
        return DeleteAllItems();
    if (CWxTreeCtrl* pOwn = OwnTV(p))
        pOwn->DropIndexes();
    p->Delete(Id(hItem));
    return TRUE;
}

BOOL CTreeCtrl::DeleteAllItems() {
    wxTreeCtrl* p = TV(m_pWx);
    if (p == nullptr)
        return FALSE;
    if (CWxTreeCtrl* pOwn = OwnTV(p)) {
        pOwn->DropIndexes();
        pOwn->ForgetWalks();
    }
    p->DeleteChildren(RootOf(p));
    return TRUE;
}

void CTreeCtrl::BeginFill() {
    if (CWxTreeCtrl* pOwn = OwnTV(m_pWx))
        pOwn->BeginFill();
}

void CTreeCtrl::EndFill() {
    if (CWxTreeCtrl* pOwn = OwnTV(m_pWx))
        pOwn->EndFill();
}

BOOL CTreeCtrl::InvalidateItemLooks() {
    CWxTreeCtrl* pOwn = OwnTV(m_pWx);
    if (pOwn == nullptr || !pOwn->m_prepareLook)
        return FALSE;
    pOwn->InvalidateLooks();
    return TRUE;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM hItem, DWORD_PTR dwData) {
    wxTreeCtrl* p = TV(m_pWx);
    if (p == nullptr || hItem == nullptr)
        return FALSE;
    auto* d = dynamic_cast<CTreeItemData*>(p->GetItemData(Id(hItem)));
    if (d == nullptr) {
        d = new CTreeItemData;
        if (CWxTreeCtrl* pOwn = OwnTV(p))
            d->m_nLooks = pOwn->m_nLooks;
        d->m_text = p->wxTreeCtrl::GetItemText(Id(hItem));  // the toolkit already has this label
        d->m_bShown = true;
        p->SetItemData(Id(hItem), d);
    }
    d->m_dwData = dwData;
    return TRUE;
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM hItem) const {
    wxTreeCtrl* p = TV(m_pWx);
    if (p == nullptr || hItem == nullptr)
        return 0;
    auto* d = dynamic_cast<CTreeItemData*>(p->GetItemData(Id(hItem)));
    return d ? d->m_dwData : 0;
}

CString CTreeCtrl::GetItemText(HTREEITEM hItem) const {
    wxTreeCtrl* p = TV(m_pWx);
    return (p && hItem) ? FromWx(p->GetItemText(Id(hItem))) : CString();
}

BOOL CTreeCtrl::SetItemText(HTREEITEM hItem, LPCSTR lpszItem) {
    wxTreeCtrl* p = TV(m_pWx);
    if (p == nullptr || hItem == nullptr)
        return FALSE;
    const wxString text = ToWxLabel(lpszItem);
    p->SetItemText(Id(hItem), text);
    if (CWxTreeCtrl* pOwn = OwnTV(p))
        pOwn->TextChanged(Id(hItem), text);
    return TRUE;
}

BOOL CTreeCtrl::SetItemImage(HTREEITEM hItem, int nImage, int nSelectedImage) {
    wxTreeCtrl* p = TV(m_pWx);
    if (p == nullptr || hItem == nullptr)
        return FALSE;
    p->SetItemImage(Id(hItem), nImage, wxTreeItemIcon_Normal);
    p->SetItemImage(Id(hItem), nSelectedImage, wxTreeItemIcon_Selected);
    return TRUE;
}

HTREEITEM CTreeCtrl::GetRootItem() const {
    return GetChildItem(TVI_ROOT);
}

HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM hItem) const {
    wxTreeCtrl* p = TV(m_pWx);
    if (p == nullptr || hItem == nullptr)
        return nullptr;
    if (CWxTreeCtrl* pOwn = OwnTV(p))
        return H(pOwn->FirstChild(ParentOf(p, hItem)));
    wxTreeItemIdValue cookie;
    return H(p->GetFirstChild(ParentOf(p, hItem), cookie));
}

HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM hItem) const {
    wxTreeCtrl* p = TV(m_pWx);
    if (p == nullptr || hItem == nullptr)
        return nullptr;
    if (CWxTreeCtrl* pOwn = OwnTV(p))
        return H(pOwn->NextSibling(Id(hItem)));
    return H(p->GetNextSibling(Id(hItem)));
}

void CTreeCtrl::GetChildItems(HTREEITEM hItem, std::vector<HTREEITEM>& items) const {
    items.clear();
    wxTreeCtrl* p = TV(m_pWx);
    if (p == nullptr || hItem == nullptr)
        return;
    if (CWxTreeCtrl* pOwn = OwnTV(p))
        pOwn->ApplyOrder();
    const wxTreeItemId parent = ParentOf(p, hItem);
    items.reserve(p->GetChildrenCount(parent, false));
    wxTreeItemIdValue cookie;
    for (wxTreeItemId id = p->GetFirstChild(parent, cookie); id.IsOk(); id = p->GetNextChild(parent, cookie))
        items.push_back(H(id));
}

HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM hItem) const {
    wxTreeCtrl* p = TV(m_pWx);
    if (p == nullptr || hItem == nullptr)
        return nullptr;
    wxTreeItemId parent = p->GetItemParent(Id(hItem));
    return parent == p->GetRootItem() ? nullptr : H(parent);
}

HTREEITEM CTreeCtrl::GetNextItem(HTREEITEM hItem, UINT nCode) const {
    switch (nCode) {
        case TVGN_ROOT:
            return GetRootItem();
        case TVGN_NEXT:
            return GetNextSiblingItem(hItem);
        case TVGN_PREVIOUS: {
            wxTreeCtrl* p = TV(m_pWx);
            if (CWxTreeCtrl* pOwn = OwnTV(p))
                pOwn->ApplyOrder();
            return (p && hItem) ? H(p->GetPrevSibling(Id(hItem))) : nullptr;
        }
        case TVGN_PARENT:
            return GetParentItem(hItem);
        case TVGN_CHILD:
            return GetChildItem(hItem);
        case TVGN_CARET:
            return GetSelectedItem();
        default:
            return nullptr;
    }
}

HTREEITEM CTreeCtrl::GetSelectedItem() const {
    wxTreeCtrl* p = TV(m_pWx);
    return p ? H(p->GetSelection()) : nullptr;
}

BOOL CTreeCtrl::SelectItem(HTREEITEM hItem) {
    wxTreeCtrl* p = TV(m_pWx);
    if (p == nullptr)
        return FALSE;
    if (hItem == nullptr)
        p->UnselectAll();
    else
        p->SelectItem(Id(hItem));
    return TRUE;
}

BOOL CTreeCtrl::ItemHasChildren(HTREEITEM hItem) const {
    wxTreeCtrl* p = TV(m_pWx);
    return p != nullptr && hItem != nullptr && p->ItemHasChildren(Id(hItem));
}

BOOL CTreeCtrl::Expand(HTREEITEM hItem, UINT nCode) {
    wxTreeCtrl* p = TV(m_pWx);
    if (p == nullptr || hItem == nullptr)
        return FALSE;
    wxTreeItemId id = Id(hItem);
    if (nCode == TVE_EXPAND)
        p->Expand(id);
    else if (nCode == TVE_COLLAPSE)
        p->Collapse(id);
    else if (nCode == TVE_TOGGLE)
        p->Toggle(id);
    return TRUE;
}

void CTreeCtrl::SetWholePaint(BOOL bWhole) {
    if (CWxTreeCtrl* pOwn = OwnTV(m_pWx)) {
        pOwn->m_bToolkitPaint = bWhole != FALSE;
        pOwn->Refresh();
    }
}

BOOL CTreeCtrl::EnsureVisible(HTREEITEM hItem) {
    wxTreeCtrl* p = TV(m_pWx);
    if (p == nullptr || hItem == nullptr)
        return FALSE;
    if (CWxTreeCtrl* pOwn = OwnTV(p))
        pOwn->ApplyOrder();
    p->EnsureVisible(Id(hItem));
    return TRUE;
}

UINT CTreeCtrl::GetCount() const {
    wxTreeCtrl* p = TV(m_pWx);
    return p ? (UINT)p->GetCount() : 0;
}

HTREEITEM CTreeCtrl::HitTest(CPoint pt, UINT* pFlags) const {
    wxTreeCtrl* p = TV(m_pWx);
    if (pFlags != nullptr)
        *pFlags = TVHT_NOWHERE;
    if (p == nullptr)
        return nullptr;
    if (CWxTreeCtrl* pOwn = OwnTV(p))
        pOwn->ApplyOrder();
    int flags = 0;
    wxTreeItemId id = p->HitTest(wxPoint(pt.x, pt.y), flags);
    // An item not painted yet has no label to hit until the toolkit has measured it.
    if (CWxTreeCtrl* pOwn = OwnTV(p); pOwn != nullptr && pOwn->ShowText(id))
        id = p->HitTest(wxPoint(pt.x, pt.y), flags);
    if (pFlags != nullptr) {
        UINT f = 0;
        if (flags & wxTREE_HITTEST_ONITEMLABEL)
            f |= TVHT_ONITEMLABEL;
        if (flags & wxTREE_HITTEST_ONITEMICON)
            f |= TVHT_ONITEMICON;
        if (flags & wxTREE_HITTEST_ONITEMBUTTON)
            f |= TVHT_ONITEMBUTTON;
        *pFlags = f ? f : TVHT_NOWHERE;
    }
    return H(id);
}

CImageList* CTreeCtrl::SetImageList(CImageList* pImageList, int) {
    wxTreeCtrl* p = TV(m_pWx);
    if (p == nullptr)
        return nullptr;
    wxImageList* pList = pImageList != nullptr ? pImageList->GetWxImageList() : nullptr;
    p->SetImageList(pList);
    if (pList != nullptr) {
        // A tree whose images have gone would still measure its items with them.
        wxWeakRef<wxTreeCtrl> ref(p);
        pImageList->AddBorrower([ref](wxImageList* pGoing) {
            if (ref && ref->GetImageList() == pGoing)
                ref->SetImageList(nullptr);
        });
    }
    return nullptr;
}

void CTreeCtrl::SetItemTextColor(HTREEITEM hItem, COLORREF clr) {
    if (wxTreeCtrl* p = TV(m_pWx))
        if (hItem != nullptr)
            p->SetItemTextColour(Id(hItem), wxColour(GetRValue(clr), GetGValue(clr), GetBValue(clr)));
}

void CTreeCtrl::SetItemBold(HTREEITEM hItem, BOOL bBold) {
    if (wxTreeCtrl* p = TV(m_pWx))
        if (hItem != nullptr)
            p->SetItemBold(Id(hItem), bBold != FALSE);
}

void CTreeCtrl::SetItemFont(HTREEITEM hItem, CFont* pFont) {
    if (wxTreeCtrl* p = TV(m_pWx))
        if (hItem != nullptr && pFont != nullptr && pFont->GetWxFont() != nullptr)
            p->SetItemFont(Id(hItem), *pFont->GetWxFont());
}
