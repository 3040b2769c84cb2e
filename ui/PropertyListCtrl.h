// CPropertyListCtrl: the report list of the Properties page, with single clicks and icon areas.
#pragma once

#include "platform/afx/wnd/Controls.h"

#ifndef LVIR_ICON
#define LVIR_BOUNDS 0
#define LVIR_ICON 1
#define LVIR_LABEL 2
#endif

// The list view of the window layer tells its parent of double clicks only; the Properties page
// toggles a mark with a single click on the mark's image, so this list also sends NM_CLICK (an
// NMLISTVIEW with the item, the column and the point in client coordinates) and answers where an
// item's image lies.
class CPropertyListCtrl : public CListCtrl {
    DECLARE_DYNAMIC(CPropertyListCtrl)
public:
    // The item under a point of the client area (-1 for none) and its column.
    int SubItemHitTest(CPoint pt, int* pnSubItem) const;
    // A rectangle of an item in client coordinates: LVIR_BOUNDS, LVIR_ICON or LVIR_LABEL.
    BOOL GetItemRect(int nItem, LPRECT lpRect, UINT nCode) const;
    // The image of a row in another column than the first.
    BOOL SetItemColumnImage(int nItem, int nCol, int nImage);
    // The image shown in a column header.
    BOOL SetColumnImage(int nCol, int nImage);
    int GetColumnCount() const;
    // Adds an icon of the resources to an image list; its index, or -1.
    static int AddIconResource(CImageList* pList, UINT nIconID);
    // Sends NM_CLICK for a click at pt (client coordinates), as a click of the mouse does.
    void SimulateClick(CPoint pt);

protected:
    void BindWxEvents() override;
};
