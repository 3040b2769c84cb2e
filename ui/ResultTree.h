// CResultTree: the tree of duplicate groups on the Search results page, marked entries struck out.
#pragma once

#include <functional>
#include <memory>

#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Gdi.h"
#include "ui/MapiFolderTree.h"

// Stages and answers of the custom-draw notification the tree runs for its items.
#ifndef CDRF_NEWFONT
#define CDRF_NEWFONT 0x00000002
#endif
#ifndef TVHT_ONITEMSTATEICON
#define TVHT_ONITEMSTATEICON 0x0040
#endif
#ifndef NM_RDBLCLK
#define NM_RDBLCLK (0u - 6u)
#endif

class wxTimer;

// The drawing context a custom-draw handler selects its font into: the window layer draws through
// the toolkit, so the tree hands this in the notification's hdc and applies the choice per item.
struct RESULTTREEDC {
    CFont* pFont = nullptr;
};

// Shows whether an entry is marked for deletion: marked entries in a struck-out font and grey,
// all others in the tree's own font and the window-text colour. A right double-click on an
// entry's label toggles its mark. The items' data are the page's ItemInfo records; the tree reads
// and writes only their nState and bDelete. A right click is reported once the double-click time
// has passed without a second one: the context menu it opens would otherwise take the second
// click of a right double-click.
class CResultTree : public CTreeCtrl {
    DECLARE_DYNAMIC(CResultTree)
public:
    CResultTree();
    ~CResultTree() override;
    CResultTree(const CResultTree&) = delete;
    CResultTree& operator=(const CResultTree&) = delete;

    // Makes the two fonts from the tree's current font and reads the two colours.
    HRESULT InitControl();
    // The item whose label lies under the mouse cursor, else null.
    HTREEITEM GetItemUnderCursor();

    // Runs the paint stages and gives the items the font and colour chosen: one item at once;
    // every item when it is next painted or its font or colour is read.
    void RefreshItemLooks();
    void RefreshItemLook(HTREEITEM hItem);
    // The rectangle of an item (only its label with bTextOnly), in client coordinates.
    BOOL GetItemRect(HTREEITEM hItem, LPRECT lpRect, BOOL bTextOnly) const;

    // Where the mouse was (screen coordinates) and whether Ctrl was down at the last click the
    // tree reported.
    CPoint GetMessagePos() const { return m_ptMessage; }
    BOOL IsControlDownAtMessage() const { return m_bControlAtMessage; }
    // Reports a mouse notification at a screen position, as the mouse does (tests use it too).
    LRESULT NotifyMouse(UINT nCode, CPoint ptScreen, BOOL bControl = FALSE);

    // The mouse cursor's screen position; a hook replaces the desktop's answer (tests).
    static CPoint GetCursorScreenPos();
    static void SetCursorPosHook(std::function<CPoint()> hook);
    // Whether a right click waits for the double-click time to pass (tests).
    BOOL IsRightClickPending() const { return m_bRightClickPending; }
    // The time within which a second click makes a double-click, in milliseconds.
    static int GetDoubleClickTime();

    CFont* m_hNormalFont = nullptr;
    CFont* m_hStrikeOutFont = nullptr;
    COLORREF m_crNormalText = 0;
    COLORREF m_crMarkedText = 0;

protected:
    void BindWxEvents() override;
    void PrepareItemLook(HTREEITEM hItem) override;
    void OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);
    void OnRdblclk(NMHDR* pNMHDR, LRESULT* pResult);
    void RefreshLevel(HTREEITEM hItem);
    // Reads the font the tree shows its items in.
    BOOL GetCurrentLogFont(LOGFONT* lpLogFont) const;

    // Holds back a right click until it is known not to start a right double-click.
    void HoldRightClick(CPoint ptScreen, BOOL bControl);
    void CancelRightClick();
    void OnRightClickTimer();
    // A right double-click: toggles a mark, or hands on the click it ended when nobody wanted it.
    LRESULT OnRightDoubleClick(CPoint ptScreen, BOOL bControl);

    CPoint m_ptMessage{-1, -1};
    BOOL m_bControlAtMessage = FALSE;
    std::unique_ptr<wxTimer> m_pRightClickTimer;
    BOOL m_bRightClickPending = FALSE;
    CPoint m_ptRightClick{-1, -1};
    BOOL m_bRightClickControl = FALSE;

    DECLARE_MESSAGE_MAP()
};
