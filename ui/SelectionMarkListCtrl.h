// CSelectionMarkListCtrl: a report list that keeps a selection mark, the row last selected.
#pragma once

#include "platform/afx/wnd/Controls.h"

// The configuration list acts on "the row last selected", not on a search for selected rows.
// The mark follows every selection of a row (by the user or by the program), moves with the rows
// when rows are inserted or deleted before it, and is cleared when its own row is deleted.
class CSelectionMarkListCtrl : public CListCtrl {
public:
    // -1 when no row is marked.
    int GetSelectionMark() const { return m_nSelectionMark; }
    // Returns the mark held before; -1 or an index outside the rows clears it.
    int SetSelectionMark(int nIndex);

    // The list's own insertion and deletion, keeping the mark on its row.
    int InsertItem(int nItem, LPCSTR lpszItem, int nImage = -1);
    BOOL DeleteItem(int nItem);
    BOOL DeleteAllItems();
    // A row whose selected state is set becomes the mark.
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);
    // The first row carrying this item data, or -1.
    int FindItemByData(DWORD_PTR dwData) const;

protected:
    void BindWxEvents() override;

    int m_nSelectionMark = -1;
};
