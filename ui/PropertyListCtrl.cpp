// The Properties page's list: single-click notices, hit tests and item image areas.
#include "ui/PropertyListCtrl.h"

#include <wx/imaglist.h>
#include <wx/listctrl.h>

#include "platform/afx/wnd/Resources.h"

IMPLEMENT_DYNAMIC(CPropertyListCtrl, CListCtrl)

namespace {

wxListCtrl* AsList(wxWindow* p) {
    return dynamic_cast<wxListCtrl*>(p);
}

// Where a row's small image lies in the first column when the list cannot say: the list draws
// it this far in from the column's left edge, centred in the row.
constexpr int kImageMargin = 2;
constexpr int kImageSize = 16;

// The list's rows live in an inner window below the column header: the largest child.
wxWindow* RowWindow(wxWindow* pList) {
    wxWindow* pBest = nullptr;
    long nBest = -1;
    for (wxWindow* pChild : pList->GetChildren()) {
        const wxSize size = pChild->GetSize();
        if ((long)size.x * size.y > nBest) {
            nBest = (long)size.x * size.y;
            pBest = pChild;
        }
    }
    return pBest;
}

}  // namespace

int CPropertyListCtrl::SubItemHitTest(CPoint pt, int* pnSubItem) const {
    if (pnSubItem != nullptr)
        *pnSubItem = -1;
    wxListCtrl* p = AsList(m_pWx);
    if (p == nullptr)
        return -1;
    wxWindow* pRows = RowWindow(p);
    wxPoint origin = pRows != nullptr ? pRows->GetPosition() : wxPoint(0, 0);
    int flags = 0;
    long nSubItem = -1;
    long nItem = p->HitTest(wxPoint(pt.x - origin.x, pt.y - origin.y), flags, &nSubItem);
    if (nItem < 0)
        return -1;
    if (pnSubItem != nullptr)
        *pnSubItem = nSubItem < 0 ? 0 : (int)nSubItem;
    return (int)nItem;
}

BOOL CPropertyListCtrl::GetItemRect(int nItem, LPRECT lpRect, UINT nCode) const {
    wxListCtrl* p = AsList(m_pWx);
    if (p == nullptr || lpRect == nullptr || nItem < 0 || nItem >= p->GetItemCount())
        return FALSE;
    wxRect r;
    if (!p->GetItemRect(nItem, r, wxLIST_RECT_BOUNDS))
        return FALSE;
    // The row's bounds, and the left edge at which the list draws the image of the first column
    // (the list's own icon rectangle also takes in the gap after the image); the image is
    // centred in the row.
    const int nFirstRight = r.x + (p->GetColumnCount() > 0 ? p->GetColumnWidth(0) : r.width);
    wxRect rImage;
    const int xIcon = p->GetSubItemRect(nItem, 0, rImage, wxLIST_RECT_ICON) ? rImage.x : r.x + kImageMargin;
    const int yIcon = r.y + (r.height - kImageSize) / 2;
    if (nCode == LVIR_ICON)
        *lpRect = RECT{xIcon, yIcon, xIcon + kImageSize, yIcon + kImageSize};
    else if (nCode == LVIR_LABEL)
        *lpRect = RECT{xIcon + kImageSize + kImageMargin, r.y, nFirstRight, r.y + r.height};
    else
        *lpRect = RECT{r.x, r.y, r.x + r.width, r.y + r.height};
    return TRUE;
}

BOOL CPropertyListCtrl::SetItemColumnImage(int nItem, int nCol, int nImage) {
    wxListCtrl* p = AsList(m_pWx);
    if (p == nullptr || nItem < 0 || nItem >= p->GetItemCount() || nCol < 0 || nCol >= p->GetColumnCount())
        return FALSE;
    return p->SetItemColumnImage(nItem, nCol, nImage);
}

BOOL CPropertyListCtrl::SetColumnImage(int nCol, int nImage) {
    wxListCtrl* p = AsList(m_pWx);
    if (p == nullptr || nCol < 0 || nCol >= p->GetColumnCount())
        return FALSE;
    wxListItem item;
    item.SetMask(wxLIST_MASK_IMAGE);
    item.SetImage(nImage);
    return p->SetColumn(nCol, item);
}

int CPropertyListCtrl::GetColumnCount() const {
    wxListCtrl* p = AsList(m_pWx);
    return p != nullptr ? p->GetColumnCount() : 0;
}

int CPropertyListCtrl::AddIconResource(CImageList* pList, UINT nIconID) {
    if (pList == nullptr || pList->GetWxImageList() == nullptr)
        return -1;
    const wxBitmap* pIcon = AfxFindIconResource(nIconID);
    if (pIcon == nullptr || !pIcon->IsOk())
        return -1;
    return pList->GetWxImageList()->Add(*pIcon);
}

void CPropertyListCtrl::SimulateClick(CPoint pt) {
    NMLISTVIEW nm{};
    nm.hdr.code = NM_CLICK;
    int nSubItem = -1;
    nm.iItem = SubItemHitTest(pt, &nSubItem);
    nm.iSubItem = nSubItem;
    nm.ptAction = pt;
    NotifyParent(&nm.hdr);
}

void CPropertyListCtrl::BindWxEvents() {
    CListCtrl::BindWxEvents();
    wxListCtrl* p = AsList(m_pWx);
    if (p == nullptr)
        return;
    wxWindow* pRows = RowWindow(p);
    if (pRows == nullptr)
        return;
    HWND h = m_hWnd;
    pRows->Bind(wxEVT_LEFT_UP, [h, pRows](wxMouseEvent& e) {
        e.Skip();
        auto* pThis = dynamic_cast<CPropertyListCtrl*>(CWnd::FromHandle(h));
        if (pThis == nullptr)
            return;
        const wxPoint origin = pRows->GetPosition();
        pThis->SimulateClick(CPoint(e.GetX() + origin.x, e.GetY() + origin.y));
    });
}
