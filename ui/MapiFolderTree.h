// The folder tree of the folder picker: folders that cannot be chosen are drawn grey.
#pragma once

#include "platform/afx/CObject.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/mapi/MAPIDefs.h"

// Custom-draw notification of a tree item; the window layer draws through the toolkit, so the
// tree runs these stages itself for every item when its colours are refreshed.
#ifndef CDDS_PREPAINT
#define CDDS_PREPAINT 0x00000001
#define CDDS_POSTPAINT 0x00000002
#define CDDS_ITEM 0x00010000
#define CDDS_ITEMPREPAINT (CDDS_ITEM | CDDS_PREPAINT)
#define CDDS_ITEMPOSTPAINT (CDDS_ITEM | CDDS_POSTPAINT)
#define CDRF_DODEFAULT 0x00000000
#define CDRF_NOTIFYITEMDRAW 0x00000020
#define CDIS_SELECTED 0x0001
struct NMCUSTOMDRAW {
    NMHDR hdr;
    DWORD dwDrawStage;
    void* hdc;
    RECT rc;
    DWORD_PTR dwItemSpec;
    UINT uItemState;
    LPARAM lItemlParam;
};
typedef NMCUSTOMDRAW* LPNMCUSTOMDRAW;
struct NMTVCUSTOMDRAW {
    NMCUSTOMDRAW nmcd;
    COLORREF clrText;
    COLORREF clrTextBk;
    int iLevel;
};
typedef NMTVCUSTOMDRAW* LPNMTVCUSTOMDRAW;
#endif
#ifndef COLOR_WINDOWTEXT
#define COLOR_WINDOWTEXT 8
#define COLOR_GRAYTEXT 17
#endif

// The desktop's colour for one of the COLOR_ indices above.
COLORREF GetDesktopColor(int nIndex);

// The record behind every tree item: the folder's entry id (only when it may be chosen).
class CItemData : public CObject {
    DECLARE_DYNAMIC(CItemData)
public:
    CItemData();
    ~CItemData() override;
    CItemData(const CItemData&) = delete;
    CItemData& operator=(const CItemData&) = delete;

    SBinary m_Key{0, nullptr};
    ULONG m_bSelectable = 0;
};

class CMapiFolderTree : public CTreeCtrl {
    DECLARE_DYNAMIC(CMapiFolderTree)
public:
    CMapiFolderTree();
    ~CMapiFolderTree() override;

    // Takes the desktop's text colours; called once the control is bound.
    virtual HRESULT InitControl();

    // Runs the item paint stage for every item and gives it the text colour decided there.
    void RefreshItemColors();
    // The screen position of the mouse at the last click the tree reported (the message
    // position of NM_CLICK and NM_DBLCLK).
    CPoint GetMessagePos() const { return m_ptMessage; }
    // Reports a click at a screen position to the parent, as a mouse click does.
    LRESULT NotifyClick(UINT nCode, CPoint ptScreen);
    // How many levels below the top the tree opens: the toolkit lays out and paints the open
    // branches with a call per level, and tens of thousands of them would end the program's stack.
    // Folders further down are still taken by "Include sub folders" of a folder above them.
    static constexpr int kMaxOpenDepth = 2000;
    // Whether an item lies deeper than the tree opens (its level counted from 1 at the top).
    BOOL IsTooDeepToOpen(HTREEITEM hItem) const;
    // Opens an item and every item below it down to the deepest level the tree opens, as the "*"
    // key asks, with a list of the items still to be opened.
    void ExpandBranch(HTREEITEM hItem);

    COLORREF m_clrNormalText = 0;
    COLORREF m_clrGrayText = 0;

protected:
    void BindWxEvents() override;
    void OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);
    // Runs the item stage for hItem, the siblings after it and every item below them.
    void RefreshLevel(HTREEITEM hItem);

    CPoint m_ptMessage{-1, -1};

    DECLARE_MESSAGE_MAP()
};
