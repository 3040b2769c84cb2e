// List views and image lists over the toolkit's list and image lists.
#include <wx/bitmap.h>
#include <wx/imaglist.h>
#include <wx/listctrl.h>
#include <wx/weakref.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/WxText.h"

IMPLEMENT_DYNAMIC(CListCtrl, CWnd)

// ----- CImageList -----

CImageList::CImageList() = default;

CImageList::~CImageList() {
    ReleaseBorrowers();
}

void CImageList::AddBorrower(std::function<void(wxImageList*)> letGo) {
    if (letGo)
        m_borrowers.push_back(std::move(letGo));
}

void CImageList::ReleaseBorrowers() {
    if (m_pList)
        for (auto& letGo : m_borrowers)
            letGo(m_pList.get());
    m_borrowers.clear();
}

BOOL CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int) {
    if (cx <= 0 || cy <= 0)
        return FALSE;
    ReleaseBorrowers();
    m_pList = std::make_unique<wxImageList>(cx, cy, (nFlags & ILC_MASK) != 0, nInitial);
    return TRUE;
}

int CImageList::Add(CBitmap* pbmImage, COLORREF crMask) {
    if (!m_pList || pbmImage == nullptr || pbmImage->GetWxBitmap() == nullptr)
        return -1;
    int cx = 0, cy = 0;
    m_pList->GetSize(0, cx, cy);
    if (cx <= 0) {
        wxSize s = m_pList->GetSize();
        cx = s.x;
        cy = s.y;
    }
    const wxBitmap& strip = *pbmImage->GetWxBitmap();
    int first = -1;
    for (int x = 0; x + cx <= strip.GetWidth(); x += cx) {
        wxBitmap image = strip.GetSubBitmap(wxRect(x, 0, cx, std::min(cy, strip.GetHeight())));
        int index = m_pList->Add(image, wxColour(GetRValue(crMask), GetGValue(crMask), GetBValue(crMask)));
        if (first < 0)
            first = index;
    }
    return first;
}

int CImageList::GetImageCount() const {
    return m_pList ? m_pList->GetImageCount() : 0;
}

BOOL CImageList::DeleteImageList() {
    ReleaseBorrowers();
    BOOL had = m_pList != nullptr;
    m_pList.reset();
    return had;
}

// ----- CListCtrl -----

static wxListCtrl* LV(wxWindow* w) {
    return dynamic_cast<wxListCtrl*>(w);
}

BOOL CListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("SysListView32", nullptr, dwStyle, rect, pParentWnd, nID);
}

wxWindow* CListCtrl::CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) {
    if (pParent == nullptr)
        return nullptr;
    long style = wxLC_REPORT | ((cs.style & LVS_SINGLESEL) ? wxLC_SINGLE_SEL : 0) |
                 ((cs.dwExStyle & WS_EX_CLIENTEDGE) || (cs.style & WS_BORDER) ? wxBORDER_SUNKEN : 0);
    return new wxListCtrl(pParent, WxWindowId(cs.hMenu), wxPoint(cs.x, cs.y), wxSize(cs.cx, cs.cy), style);
}

void CListCtrl::BindWxEvents() {
    CWnd::BindWxEvents();
    HWND h = m_hWnd;
    auto changed = [h](UINT newState, UINT oldState) {
        return [h, newState, oldState](wxListEvent& e) {
            CWnd* p = CWnd::FromHandle(h);
            if (p == nullptr)
                return;
            NMLISTVIEW nm{};
            nm.hdr.code = LVN_ITEMCHANGED;
            nm.iItem = (int)e.GetIndex();
            nm.uNewState = newState;
            nm.uOldState = oldState;
            nm.uChanged = LVIF_STATE;
            nm.lParam = (LPARAM)e.GetData();
            p->NotifyParent(&nm.hdr);
        };
    };
    m_pWx->Bind(wxEVT_LIST_ITEM_SELECTED, changed(LVIS_SELECTED | LVIS_FOCUSED, 0));
    m_pWx->Bind(wxEVT_LIST_ITEM_DESELECTED, changed(0, LVIS_SELECTED));
    m_pWx->Bind(wxEVT_LIST_ITEM_ACTIVATED, [h](wxListEvent& e) {
        CWnd* p = CWnd::FromHandle(h);
        if (p == nullptr)
            return;
        NMLISTVIEW nm{};
        nm.hdr.code = NM_DBLCLK;
        nm.iItem = (int)e.GetIndex();
        p->NotifyParent(&nm.hdr);
    });
    m_pWx->Bind(wxEVT_LIST_COL_CLICK, [h](wxListEvent& e) {
        CWnd* p = CWnd::FromHandle(h);
        if (p == nullptr)
            return;
        NMLISTVIEW nm{};
        nm.hdr.code = LVN_COLUMNCLICK;
        nm.iItem = -1;
        nm.iSubItem = e.GetColumn();
        p->NotifyParent(&nm.hdr);
    });
}

int CListCtrl::InsertColumn(int nCol, LPCSTR lpszColumnHeading, int, int nWidth) {
    wxListCtrl* p = LV(m_pWx);
    return p ? (int)p->InsertColumn(nCol, ToWx(lpszColumnHeading), wxLIST_FORMAT_LEFT, nWidth) : -1;
}

BOOL CListCtrl::SetColumnText(int nCol, LPCSTR lpszText) {
    wxListCtrl* p = LV(m_pWx);
    if (p == nullptr || nCol < 0 || nCol >= p->GetColumnCount())
        return FALSE;
    wxListItem item;
    item.SetMask(wxLIST_MASK_TEXT);
    item.SetText(ToWx(lpszText));
    return p->SetColumn(nCol, item);
}

CString CListCtrl::GetColumnText(int nCol) const {
    wxListCtrl* p = LV(m_pWx);
    if (p == nullptr || nCol < 0 || nCol >= p->GetColumnCount())
        return CString();
    wxListItem item;
    item.SetMask(wxLIST_MASK_TEXT);
    p->GetColumn(nCol, item);
    return FromWx(item.GetText());
}

BOOL CListCtrl::SetColumnWidth(int nCol, int cx) {
    wxListCtrl* p = LV(m_pWx);
    if (p == nullptr)
        return FALSE;
    if (cx == LVSCW_AUTOSIZE)
        cx = wxLIST_AUTOSIZE;
    else if (cx == LVSCW_AUTOSIZE_USEHEADER)
        cx = wxLIST_AUTOSIZE_USEHEADER;
    return p->SetColumnWidth(nCol, cx);
}

int CListCtrl::GetColumnWidth(int nCol) const {
    wxListCtrl* p = LV(m_pWx);
    return p ? p->GetColumnWidth(nCol) : 0;
}

int CListCtrl::InsertItem(int nItem, LPCSTR lpszItem, int nImage) {
    wxListCtrl* p = LV(m_pWx);
    if (p == nullptr)
        return -1;
    int n = p->GetItemCount();
    wxString text = ToWx(lpszItem);
    if (m_dwStyle & LVS_SORTASCENDING) {
        nItem = 0;
        while (nItem < n && p->GetItemText(nItem).CmpNoCase(text) <= 0)
            ++nItem;
    } else if (nItem < 0 || nItem > n) {
        nItem = n;
    }
    return (int)p->InsertItem(nItem, text, nImage);
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, LPCSTR lpszText) {
    wxListCtrl* p = LV(m_pWx);
    if (p == nullptr || nItem < 0 || nItem >= p->GetItemCount())
        return FALSE;
    p->SetItem(nItem, nSubItem, ToWx(lpszText));
    return TRUE;
}

CString CListCtrl::GetItemText(int nItem, int nSubItem) const {
    wxListCtrl* p = LV(m_pWx);
    if (p == nullptr || nItem < 0 || nItem >= p->GetItemCount())
        return CString();
    return FromWx(p->GetItemText(nItem, nSubItem));
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR dwData) {
    wxListCtrl* p = LV(m_pWx);
    return p != nullptr && nItem >= 0 && nItem < p->GetItemCount() && p->SetItemPtrData(nItem, dwData);
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const {
    wxListCtrl* p = LV(m_pWx);
    if (p == nullptr || nItem < 0 || nItem >= p->GetItemCount())
        return 0;
    return (DWORD_PTR)p->GetItemData(nItem);
}

BOOL CListCtrl::SetItemImage(int nItem, int nImage) {
    wxListCtrl* p = LV(m_pWx);
    return p != nullptr && nItem >= 0 && nItem < p->GetItemCount() && p->SetItemImage(nItem, nImage);
}

BOOL CListCtrl::DeleteItem(int nItem) {
    wxListCtrl* p = LV(m_pWx);
    return p != nullptr && nItem >= 0 && nItem < p->GetItemCount() && p->DeleteItem(nItem);
}

BOOL CListCtrl::DeleteAllItems() {
    wxListCtrl* p = LV(m_pWx);
    return p != nullptr && p->DeleteAllItems();
}

int CListCtrl::GetItemCount() const {
    wxListCtrl* p = LV(m_pWx);
    return p ? p->GetItemCount() : 0;
}

int CListCtrl::GetSelectedCount() const {
    wxListCtrl* p = LV(m_pWx);
    return p ? p->GetSelectedItemCount() : 0;
}

int CListCtrl::GetNextItem(int nItem, int nFlags) const {
    wxListCtrl* p = LV(m_pWx);
    if (p == nullptr)
        return -1;
    return (int)p->GetNextItem(nItem, wxLIST_NEXT_ALL,
                               (nFlags & LVNI_SELECTED) ? wxLIST_STATE_SELECTED : wxLIST_STATE_DONTCARE);
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
    wxListCtrl* p = LV(m_pWx);
    if (p == nullptr || nItem < 0 || nItem >= p->GetItemCount())
        return FALSE;
    long state = ((nState & LVIS_SELECTED) ? wxLIST_STATE_SELECTED : 0) |
                 ((nState & LVIS_FOCUSED) ? wxLIST_STATE_FOCUSED : 0);
    long mask = ((nMask & LVIS_SELECTED) ? wxLIST_STATE_SELECTED : 0) |
                ((nMask & LVIS_FOCUSED) ? wxLIST_STATE_FOCUSED : 0);
    return p->SetItemState(nItem, state, mask);
}

UINT CListCtrl::GetItemState(int nItem, UINT nMask) const {
    wxListCtrl* p = LV(m_pWx);
    if (p == nullptr || nItem < 0 || nItem >= p->GetItemCount())
        return 0;
    long state = p->GetItemState(nItem, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    UINT result = ((state & wxLIST_STATE_SELECTED) ? LVIS_SELECTED : 0) |
                  ((state & wxLIST_STATE_FOCUSED) ? LVIS_FOCUSED : 0);
    return result & nMask;
}

BOOL CListCtrl::EnsureVisible(int nItem, BOOL) {
    wxListCtrl* p = LV(m_pWx);
    return p != nullptr && nItem >= 0 && nItem < p->GetItemCount() && p->EnsureVisible(nItem);
}

CImageList* CListCtrl::SetImageList(CImageList* pImageList, int) {
    wxListCtrl* p = LV(m_pWx);
    if (p == nullptr)
        return nullptr;
    wxImageList* pList = pImageList != nullptr ? pImageList->GetWxImageList() : nullptr;
    p->SetImageList(pList, wxIMAGE_LIST_SMALL);
    if (pList != nullptr) {
        wxWeakRef<wxListCtrl> ref(p);
        pImageList->AddBorrower([ref](wxImageList* pGoing) {
            if (ref && ref->GetImageList(wxIMAGE_LIST_SMALL) == pGoing)
                ref->SetImageList(nullptr, wxIMAGE_LIST_SMALL);
        });
    }
    return nullptr;
}
