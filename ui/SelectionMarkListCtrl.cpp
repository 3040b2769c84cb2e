// The report list with a selection mark.
#include "ui/SelectionMarkListCtrl.h"

#include <wx/listctrl.h>

int CSelectionMarkListCtrl::SetSelectionMark(int nIndex) {
    int nOld = m_nSelectionMark;
    m_nSelectionMark = nIndex >= 0 && nIndex < GetItemCount() ? nIndex : -1;
    return nOld;
}

int CSelectionMarkListCtrl::InsertItem(int nItem, LPCSTR lpszItem, int nImage) {
    int nIndex = CListCtrl::InsertItem(nItem, lpszItem, nImage);
    if (nIndex >= 0 && m_nSelectionMark >= nIndex)
        ++m_nSelectionMark;
    return nIndex;
}

BOOL CSelectionMarkListCtrl::DeleteItem(int nItem) {
    if (!CListCtrl::DeleteItem(nItem))
        return FALSE;
    if (m_nSelectionMark == nItem)
        m_nSelectionMark = -1;
    else if (m_nSelectionMark > nItem)
        --m_nSelectionMark;
    return TRUE;
}

BOOL CSelectionMarkListCtrl::DeleteAllItems() {
    m_nSelectionMark = -1;
    return CListCtrl::DeleteAllItems();
}

BOOL CSelectionMarkListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
    if (!CListCtrl::SetItemState(nItem, nState, nMask))
        return FALSE;
    if ((nMask & LVIS_SELECTED) && (nState & LVIS_SELECTED))
        m_nSelectionMark = nItem;
    return TRUE;
}

int CSelectionMarkListCtrl::FindItemByData(DWORD_PTR dwData) const {
    int nCount = GetItemCount();
    for (int i = 0; i < nCount; ++i)
        if (GetItemData(i) == dwData)
            return i;
    return -1;
}

void CSelectionMarkListCtrl::BindWxEvents() {
    CListCtrl::BindWxEvents();
    if (m_pWx == nullptr)
        return;
    // Bound after the list's own handlers, so it runs first: the parent's notification already
    // sees the new mark. Skip passes the event on to them.
    // The handle, not the object, is captured: the toolkit window may outlive the object briefly.
    HWND hWnd = m_hWnd;
    m_pWx->Bind(wxEVT_LIST_ITEM_SELECTED, [hWnd](wxListEvent& e) {
        if (auto* pList = dynamic_cast<CSelectionMarkListCtrl*>(CWnd::FromHandle(hWnd)))
            pList->m_nSelectionMark = (int)e.GetIndex();
        e.Skip();
    });
}
