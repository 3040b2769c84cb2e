// CTreeCtrl: tree views over the toolkit's generic tree, with the speed and looks of CWxTreeCtrl.
#include <wx/imaglist.h>
#include <wx/treectrl.h>
#include <wx/weakref.h>

#include <cstring>
#include <string>

#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/WxText.h"
#include "platform/afx/wnd/WxTreeCtrl.h"

IMPLEMENT_DYNAMIC(CTreeCtrl, CWnd)

namespace {
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
    // Each toolkit tree event the parent hears of as a notification: fill completes it from the
    // event, and a refusal by the parent vetoes the event where it can be refused.
    using Fill = void (*)(NMTREEVIEW&, wxTreeCtrl*, const wxTreeEvent&);
    auto notify = [this, h](const wxEventTypeTag<wxTreeEvent>& type, UINT nCode, Fill fill, bool bRefusable) {
        m_pWx->Bind(type, [h, nCode, fill, bRefusable](wxTreeEvent& e) {
            auto* p = dynamic_cast<CTreeCtrl*>(CWnd::FromHandle(h));
            if (p == nullptr)
                return;
            NMTREEVIEW nm{};
            nm.hdr.code = nCode;
            if (fill != nullptr)
                fill(nm, TV(p->m_pWx), e);
            if (p->NotifyParent(&nm.hdr) != 0 && bRefusable)
                e.Veto();
        });
    };
    notify(
        wxEVT_TREE_SEL_CHANGED, TVN_SELCHANGED,
        [](NMTREEVIEW& nm, wxTreeCtrl* pTree, const wxTreeEvent& e) {
            FillItem(nm.itemOld, pTree, e.GetOldItem());
            FillItem(nm.itemNew, pTree, e.GetItem());
        },
        false);
    notify(
        wxEVT_TREE_ITEM_EXPANDING, TVN_ITEMEXPANDING,
        [](NMTREEVIEW& nm, wxTreeCtrl* pTree, const wxTreeEvent& e) {
            nm.action = TVE_EXPAND;
            FillItem(nm.itemNew, pTree, e.GetItem());
        },
        true);
    notify(wxEVT_TREE_ITEM_ACTIVATED, NM_DBLCLK, nullptr, false);
    notify(wxEVT_TREE_ITEM_RIGHT_CLICK, NM_RCLICK, nullptr, false);
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
