// The common controls: buttons, statics, edits, list and combo boxes, progress bars, tab
// controls, list views and tree views with item data, and image lists.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/afx/wnd/Resources.h"
#include "platform/afx/wnd/Wnd.h"

class CImageList;

// Creates one template control with its object; the object is freed with its window.
BOOL AfxCreateTemplateControl(CWnd* pCtrl, const DLGITEMDEF& item, const CRect& rect, CWnd* pParent);
// The id of the dialog's default push button (BS_DEFPUSHBUTTON), else IDOK when present, else 0.
UINT AfxGetDefaultButtonID(CWnd* pDialog);

#define BST_UNCHECKED 0
#define BST_CHECKED 1
#define LB_ERR (-1)
#define CB_ERR (-1)

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    using CWnd::Create;
    BOOL Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int GetCheck() const;
    void SetCheck(int nCheck);
    // Presses the button as a click would (tests use it).
    void Click();

protected:
    wxWindow* CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) override;
    void BindWxEvents() override;
};

class CStatic : public CWnd {
    DECLARE_DYNAMIC(CStatic)
public:
    using CWnd::Create;
    BOOL Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xffff);
    // Shows a bitmap resource in a picture control.
    BOOL SetBitmap(UINT nIDBitmap);

protected:
    wxWindow* CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) override;
    void BindWxEvents() override;
};

class CEdit : public CWnd {
    DECLARE_DYNAMIC(CEdit)
public:
    using CWnd::Create;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    void SetLimitText(UINT nMax);
    UINT GetLimitText() const { return m_nLimit; }
    void SetSel(int nStart, int nEnd);
    void GetSel(int& nStart, int& nEnd) const;
    void ReplaceSel(LPCSTR lpszNewText);
    void SetReadOnly(BOOL bReadOnly = TRUE);
    void SetWindowTextNoNotify(LPCSTR lpszText);

protected:
    wxWindow* CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) override;
    void BindWxEvents() override;
    UINT m_nLimit = 0;
};

class CListBox : public CWnd {
    DECLARE_DYNAMIC(CListBox)
public:
    using CWnd::Create;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int AddString(LPCSTR lpszItem);
    int InsertString(int nIndex, LPCSTR lpszItem);
    int DeleteString(UINT nIndex);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int nSelect);
    int GetText(int nIndex, CString& rString) const;
    int GetTextLen(int nIndex) const;
    int SetItemData(int nIndex, DWORD_PTR dwItemData);
    DWORD_PTR GetItemData(int nIndex) const;
    int FindStringExact(int nIndexStart, LPCSTR lpszFind) const;
    int GetSel(int nIndex) const;
    int SetSel(int nIndex, BOOL bSelect = TRUE);
    int GetSelCount() const;
    int GetSelItems(int nMaxItems, LPINT rgIndex) const;

protected:
    wxWindow* CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) override;
    void BindWxEvents() override;
};

class CComboBox : public CWnd {
    DECLARE_DYNAMIC(CComboBox)
public:
    using CWnd::Create;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int AddString(LPCSTR lpszString);
    int InsertString(int nIndex, LPCSTR lpszString);
    int DeleteString(UINT nIndex);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int nSelect);
    int GetLBText(int nIndex, CString& rString) const;
    int SetItemData(int nIndex, DWORD_PTR dwItemData);
    DWORD_PTR GetItemData(int nIndex) const;
    int FindStringExact(int nIndexStart, LPCSTR lpszFind) const;

protected:
    wxWindow* CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) override;
    void BindWxEvents() override;
    // Item data kept beside the toolkit's list, index for index.
    std::vector<DWORD_PTR> m_data;
    int InsertAt(int nIndex, LPCSTR lpszString);
};

class CProgressCtrl : public CWnd {
    DECLARE_DYNAMIC(CProgressCtrl)
public:
    using CWnd::Create;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    void SetRange(short nLower, short nUpper);
    void SetRange32(int nLower, int nUpper);
    void GetRange(int& nLower, int& nUpper) const;
    int SetPos(int nPos);
    int GetPos() const;

protected:
    wxWindow* CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) override;
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nPos = 0;
};

#define TCIF_TEXT 0x0001
#define TCIF_PARAM 0x0008
struct TCITEMA {
    UINT mask;
    DWORD dwState;
    DWORD dwStateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
};
typedef TCITEMA TCITEM;

// A tab strip; the pages are the caller's own windows placed over its display area.
class CTabCtrl : public CWnd {
    DECLARE_DYNAMIC(CTabCtrl)
public:
    using CWnd::Create;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    LONG InsertItem(int nItem, LPCSTR lpszItem);
    LONG InsertItem(int nItem, TCITEM* pTabCtrlItem);
    BOOL SetItem(int nItem, TCITEM* pTabCtrlItem);
    BOOL DeleteItem(int nItem);
    BOOL DeleteAllItems();
    int GetItemCount() const;
    int GetCurSel() const;
    // Selects a tab without a TCN_SELCHANGE notification, as the common control does.
    int SetCurSel(int nItem);
    // bLarger FALSE: the display area inside a window rectangle (in the same coordinates).
    void AdjustRect(BOOL bLarger, LPRECT lpRect);
    BOOL GetItemRect(int nItem, LPRECT lpRect) const;
    CString GetItemText(int nItem) const;

protected:
    wxWindow* CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) override;
    void BindWxEvents() override;
    // The height of the row of tabs, down to where the pages begin.
    int TabHeight() const;
    // The distances from the control's edges to its page area (left, top, right, bottom), as the
    // toolkit lays them out.
    RECT PageInsets() const;
    std::vector<LPARAM> m_params;
    bool m_bSilent = false;
};

#define ILC_COLOR24 0x0018
#define ILC_MASK 0x0001
class CImageList {
public:
    CImageList();
    ~CImageList();
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;
    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    // Adds every image of a bitmap strip (width divided by cx); returns the first index or -1.
    int Add(class CBitmap* pbmImage, COLORREF crMask);
    int GetImageCount() const;
    BOOL DeleteImageList();
    class wxImageList* GetWxImageList() const {
        return m_pList.get();
    }
    // Remembers a control that shows these images. The control only borrows them and may outlive
    // this object (a dialog's toolkit window goes at the next turn of the loop): when the images
    // go first, each control that still shows them is told to let go.
    void AddBorrower(std::function<void(class wxImageList* pGoing)> letGo);

private:
    void ReleaseBorrowers();

    std::unique_ptr<class wxImageList> m_pList;
    std::vector<std::function<void(class wxImageList*)>> m_borrowers;
};
#define LVSIL_SMALL 1
#define TVSIL_NORMAL 0

#define LVCFMT_LEFT 0
#define LVNI_ALL 0
#define LVNI_SELECTED 2
#define LVIS_SELECTED 2
#define LVIS_FOCUSED 1
#define LVIF_TEXT 0x1
#define LVIF_IMAGE 0x2
#define LVIF_PARAM 0x4
#define LVIF_STATE 0x8
#define LVCF_TEXT 0x4
#define LVCF_WIDTH 0x2
#define LVSCW_AUTOSIZE (-1)
#define LVSCW_AUTOSIZE_USEHEADER (-2)
#define LVS_TYPEMASK 0x0003L
#define LVS_EX_SUBITEMIMAGES 0x00000002
#define LVS_EX_FULLROWSELECT 0x00000020

struct NMLISTVIEW {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
};
typedef NMLISTVIEW* LPNMLISTVIEW;

// A report-style list view.
class CListCtrl : public CWnd {
    DECLARE_DYNAMIC(CListCtrl)
public:
    using CWnd::Create;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int InsertColumn(int nCol, LPCSTR lpszColumnHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1);
    BOOL SetColumnText(int nCol, LPCSTR lpszText);
    CString GetColumnText(int nCol) const;
    BOOL SetColumnWidth(int nCol, int cx);
    int GetColumnWidth(int nCol) const;
    // With LVS_SORTASCENDING the item goes where its text sorts; the index is returned.
    int InsertItem(int nItem, LPCSTR lpszItem, int nImage = -1);
    BOOL SetItemText(int nItem, int nSubItem, LPCSTR lpszText);
    CString GetItemText(int nItem, int nSubItem) const;
    BOOL SetItemData(int nItem, DWORD_PTR dwData);
    DWORD_PTR GetItemData(int nItem) const;
    BOOL SetItemImage(int nItem, int nImage);
    BOOL DeleteItem(int nItem);
    BOOL DeleteAllItems();
    int GetItemCount() const;
    int GetSelectedCount() const;
    int GetNextItem(int nItem, int nFlags) const;
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);
    UINT GetItemState(int nItem, UINT nMask) const;
    BOOL EnsureVisible(int nItem, BOOL bPartialOK);
    CImageList* SetImageList(CImageList* pImageList, int nImageListType);
    // The toolkit's report view always selects whole rows and shows an image in any column; the
    // bits are kept so that the list answers what it was asked to be.
    DWORD SetExtendedStyle(DWORD dwNewStyle) {
        const DWORD dwOld = m_dwExtendedStyle;
        m_dwExtendedStyle = dwNewStyle;
        return dwOld;
    }
    DWORD GetExtendedStyle() const { return m_dwExtendedStyle; }
    // A report column shows its contents only up to this many pixels before its right edge, and
    // a row's image from the column's left edge on: a column that shows a whole image of width
    // cx must be cx + this wide.
    static constexpr int kColumnContentMargin = 8;

protected:
    wxWindow* CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) override;
    void BindWxEvents() override;

private:
    DWORD m_dwExtendedStyle = 0;
};

struct _TREEITEM;
typedef _TREEITEM* HTREEITEM;
#define TVI_ROOT ((HTREEITEM)(ULONG_PTR)-0x10000)
#define TVI_FIRST ((HTREEITEM)(ULONG_PTR)-0x0FFFF)
#define TVI_LAST ((HTREEITEM)(ULONG_PTR)-0x0FFFE)
#define TVI_SORT ((HTREEITEM)(ULONG_PTR)-0x0FFFD)
#define TVE_COLLAPSE 0x0001
#define TVE_EXPAND 0x0002
#define TVE_TOGGLE 0x0003
#define TVHT_NOWHERE 0x0001
#define TVHT_ONITEMICON 0x0002
#define TVHT_ONITEMLABEL 0x0004
#define TVHT_ONITEM (TVHT_ONITEMICON | TVHT_ONITEMLABEL)
#define TVHT_ONITEMBUTTON 0x0010
#define TVGN_ROOT 0x0000
#define TVGN_NEXT 0x0001
#define TVGN_PREVIOUS 0x0002
#define TVGN_PARENT 0x0003
#define TVGN_CHILD 0x0004
#define TVGN_CARET 0x0009

struct TVITEMA {
    UINT mask;
    HTREEITEM hItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int cChildren;
    LPARAM lParam;
};
struct NMTREEVIEW {
    NMHDR hdr;
    UINT action;
    TVITEMA itemOld;
    TVITEMA itemNew;
    POINT ptDrag;
};
typedef NMTREEVIEW* LPNMTREEVIEW;

// A tree view; items carry item data, and may carry their own text colour and font.
class CTreeCtrl : public CWnd {
    DECLARE_DYNAMIC(CTreeCtrl)
public:
    using CWnd::Create;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    HTREEITEM InsertItem(LPCSTR lpszItem, int nImage, int nSelectedImage, HTREEITEM hParent = TVI_ROOT,
                         HTREEITEM hInsertAfter = TVI_LAST);
    HTREEITEM InsertItem(LPCSTR lpszItem, HTREEITEM hParent = TVI_ROOT, HTREEITEM hInsertAfter = TVI_LAST);
    // Places the item where a sorted insertion of lpszSortAs goes and shows lpszItem: the same as
    // that insertion followed by SetItemText, without measuring the item's text twice.
    HTREEITEM InsertItemSortedAs(LPCSTR lpszItem, LPCSTR lpszSortAs, HTREEITEM hParent);
    BOOL DeleteItem(HTREEITEM hItem);
    BOOL DeleteAllItems();
    // A fill of many items: until the last EndFill the tree is neither laid out nor painted, and
    // sorted insertions take their place without a scan of their siblings (same places as
    // outside a fill). Fills may nest.
    void BeginFill();
    void EndFill();
    BOOL SetItemData(HTREEITEM hItem, DWORD_PTR dwData);
    DWORD_PTR GetItemData(HTREEITEM hItem) const;
    CString GetItemText(HTREEITEM hItem) const;
    BOOL SetItemText(HTREEITEM hItem, LPCSTR lpszItem);
    BOOL SetItemImage(HTREEITEM hItem, int nImage, int nSelectedImage);
    HTREEITEM GetRootItem() const;
    HTREEITEM GetChildItem(HTREEITEM hItem) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM hItem) const;
    // Every child of hItem (TVI_ROOT: the root items) in order, in one pass over the toolkit's
    // children: for a caller that visits them all, as the emptying and the cleanup do.
    void GetChildItems(HTREEITEM hItem, std::vector<HTREEITEM>& items) const;
    HTREEITEM GetParentItem(HTREEITEM hItem) const;
    HTREEITEM GetNextItem(HTREEITEM hItem, UINT nCode) const;
    HTREEITEM GetSelectedItem() const;
    BOOL SelectItem(HTREEITEM hItem);
    BOOL ItemHasChildren(HTREEITEM hItem) const;
    BOOL Expand(HTREEITEM hItem, UINT nCode);
    BOOL EnsureVisible(HTREEITEM hItem);
    UINT GetCount() const;
    HTREEITEM HitTest(CPoint pt, UINT* pFlags = nullptr) const;
    // Tests: each paint walks every item, as the toolkit's own does (to compare the rows with).
    void SetWholePaint(BOOL bWhole);
    CImageList* SetImageList(CImageList* pImageList, int nImageListType);
    // Drawing of single items (the tree's custom colours and fonts).
    void SetItemTextColor(HTREEITEM hItem, COLORREF clr);
    void SetItemBold(HTREEITEM hItem, BOOL bBold);
    void SetItemFont(HTREEITEM hItem, class CFont* pFont);
    // Every item's colour and font are to be chosen again: PrepareItemLook is called for an item
    // just before it is painted or its colour or font is read, so a tree of many items costs only
    // the items shown. FALSE when this tree cannot defer: the caller then prepares every item.
    BOOL InvalidateItemLooks();

protected:
    wxWindow* CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) override;
    void BindWxEvents() override;
    // Chooses an item's colour and font (SetItemTextColor, SetItemFont) after InvalidateItemLooks.
    virtual void PrepareItemLook(HTREEITEM) {}

private:
    HTREEITEM InsertItem(LPCSTR lpszItem, LPCSTR lpszSortAs, int nImage, int nSelectedImage,
                         HTREEITEM hParent, HTREEITEM hInsertAfter);
};
