// CWxTreeCtrl: reaches into the toolkit's generic tree for the speed and looks of the tree control.
#include "platform/afx/wnd/WxTreeCtrl.h"

#include <wx/dcclient.h>
#include <wx/renderer.h>

#include <cstdint>
#include <type_traits>

// This file uses members of the toolkit's generic tree that are not its public interface:
// PaintLevel, m_lineHeight, m_dirty, CalculatePositions, m_normalFont, m_dottedPen,
// AdjustMyScrollbars, the child cookie taken as the position of the next child, and the formula
// by which a row's height follows from its label. They are as the 3.2 series has them; another
// series may rename, move or change any of them without a word from the compiler.
#if !wxCHECK_VERSION(3, 2, 0) || wxCHECK_VERSION(3, 3, 0)
#error \
    "WxTreeCtrl.cpp reaches into the generic tree of wxWidgets 3.2.x: check PaintLevel, m_lineHeight, m_dirty, CalculatePositions, the child cookie and the row height formula against this version's src/generic/treectlg.cpp before widening this check"
#endif
static_assert(std::is_base_of_v<wxGenericTreeCtrl, wxTreeCtrl>,
              "the tree control needs the toolkit's generic tree as its wxTreeCtrl");

void CWxTreeCtrl::BeginFill() {
    if (m_nFill++ == 0)
        Freeze();
}

void CWxTreeCtrl::EndFill() {
    if (m_nFill == 0 || --m_nFill > 0)
        return;
    DropIndexes();
    Thaw();
}

wxTreeItemId CWxTreeCtrl::InsertSorted(const wxTreeItemId& parent, const wxString& text,
                                       const wxString& sortAs, int nImage, int nSelectedImage,
                                       CTreeItemData* pData) {
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

void CWxTreeCtrl::TextChanged(const wxTreeItemId& id, const wxString& text) {
    auto* d = dynamic_cast<CTreeItemData*>(GetItemData(id));
    if (d != nullptr && d->m_pSortNode != nullptr && d->m_nSortFill == m_nSortFill)
        d->m_pSortIndex->SetText(d->m_pSortNode, text);
}

size_t CWxTreeCtrl::SortedPlace(wxTreeCtrl* p, const wxTreeItemId& parent, const wxString& sortAs) {
    size_t nPos = 0;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId c = p->GetFirstChild(parent, cookie); c.IsOk(); c = p->GetNextChild(parent, cookie)) {
        if (p->GetItemText(c).CmpNoCase(sortAs) > 0)
            break;
        ++nPos;
    }
    return nPos;
}

void CWxTreeCtrl::ApplyOrder() {
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

void CWxTreeCtrl::DropIndexes() {
    ApplyOrder();
    if (m_indexes.empty())
        return;
    decltype(m_indexes)().swap(m_indexes);
    ++m_nSortFill;  // the items' nodes went with the indexes
}

wxTreeItemId CWxTreeCtrl::ChildAt(const wxTreeItemId& parent, size_t nPos) const {
    wxTreeItemIdValue cookie = reinterpret_cast<wxTreeItemIdValue>(static_cast<uintptr_t>(nPos));
    return GetNextChild(parent, cookie);
}

wxTreeItemId CWxTreeCtrl::FirstChild(const wxTreeItemId& parent) {
    ApplyOrder();
    wxTreeItemIdValue cookie;
    wxTreeItemId first = GetFirstChild(parent, cookie);
    auto it = m_cursors.find(parent.GetID());
    if (first.IsOk() && it != m_cursors.end())
        it->second = 0;
    return first;
}

wxTreeItemId CWxTreeCtrl::NextSibling(const wxTreeItemId& id) {
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

int CWxTreeCtrl::OnCompareItems(const wxTreeItemId& a, const wxTreeItemId& b) {
    if (!m_bRanking)
        return wxTreeCtrl::OnCompareItems(a, b);
    auto* da = dynamic_cast<CTreeItemData*>(GetItemData(a));
    auto* db = dynamic_cast<CTreeItemData*>(GetItemData(b));
    const size_t ra = da ? da->m_nRank : 0;
    const size_t rb = db ? db->m_nRank : 0;
    return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

wxString CWxTreeCtrl::GetItemText(const wxTreeItemId& id) const {
    if (auto* d = dynamic_cast<CTreeItemData*>(GetItemData(id)))
        return d->m_text;
    return wxTreeCtrl::GetItemText(id);
}

void CWxTreeCtrl::SetItemText(const wxTreeItemId& id, const wxString& text) {
    auto* d = dynamic_cast<CTreeItemData*>(GetItemData(id));
    if (d == nullptr || d->m_bShown) {
        if (d != nullptr)
            d->m_text = text;
        wxTreeCtrl::SetItemText(id, text);
        return;
    }
    d->m_text = text;  // handed on when the item is painted
}

bool CWxTreeCtrl::ShowText(const wxTreeItemId& id) const {
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

void CWxTreeCtrl::KeepLabelHeight() {
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

bool CWxTreeCtrl::SetFont(const wxFont& font) {
    const bool bSet = wxTreeCtrl::SetFont(font);
    KeepLabelHeight();
    return bSet;
}

void CWxTreeCtrl::SetImageList(wxImageList* pList) {
    wxTreeCtrl::SetImageList(pList);
    KeepLabelHeight();
}

void CWxTreeCtrl::SetStateImageList(wxImageList* pList) {
    wxTreeCtrl::SetStateImageList(pList);
    KeepLabelHeight();
}

void CWxTreeCtrl::OnImagesChanged() {
    wxTreeCtrl::OnImagesChanged();
    KeepLabelHeight();
}

bool CWxTreeCtrl::GetBoundingRect(const wxTreeItemId& id, wxRect& rect, bool textOnly) const {
    if (textOnly)
        ShowText(id);
    return wxTreeCtrl::GetBoundingRect(id, rect, textOnly);
}

void CWxTreeCtrl::InvalidateLooks() {
    ++m_nLooks;
    Refresh();
}

void CWxTreeCtrl::PrepareLook(const wxTreeItemId& id) const {
    if (!m_prepareLook || !id.IsOk())
        return;
    auto* d = dynamic_cast<CTreeItemData*>(GetItemData(id));
    if (d == nullptr || d->m_nLooks == m_nLooks)
        return;
    d->m_nLooks = m_nLooks;
    m_prepareLook(id);
}

wxColour CWxTreeCtrl::GetItemTextColour(const wxTreeItemId& id) const {
    PrepareLook(id);
    return wxTreeCtrl::GetItemTextColour(id);
}

wxFont CWxTreeCtrl::GetItemFont(const wxTreeItemId& id) const {
    PrepareLook(id);
    return wxTreeCtrl::GetItemFont(id);
}

void CWxTreeCtrl::Refresh(bool bEraseBackground, const wxRect* pRect) {
    if (!m_bPaintingLooks)
        wxTreeCtrl::Refresh(bEraseBackground, pRect);
}

CWxTreeCtrl::CWxTreeCtrl(wxWindow* pParent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style)
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

CTreeSortIndex& CWxTreeCtrl::IndexOf(const wxTreeItemId& parent) {
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

void CWxTreeCtrl::Keep(CTreeItemData* pData, CTreeSortIndex& index, CTreeSortIndex::Node* pNode) const {
    pData->m_pSortIndex = &index;
    pData->m_pSortNode = pNode;
    pData->m_nSortFill = m_nSortFill;
}

size_t CWxTreeCtrl::FirstReaching(const wxTreeItemId& parent, size_t nCount, int yTop) const {
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
void CWxTreeCtrl::ForEachItemInRows(const wxTreeItemId& parent, int yTop, int yBottom, F f) {
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

wxRect CWxTreeCtrl::LineOf(const wxTreeItemId& id) const {
    wxRect rc;
    wxTreeCtrl::GetBoundingRect(id, rc, false);  // the row: its label need not be measured
    return rc;
}

void CWxTreeCtrl::PrepareItemsToPaint() {
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

void CWxTreeCtrl::PaintRows() {
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
    auto topOf = [this](const wxTreeItemId& id) { return CalcUnscrolledPosition(LineOf(id).GetTopLeft()).y; };
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

void CWxTreeCtrl::OnPaintKeepingColours(wxPaintEvent& event) {
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
