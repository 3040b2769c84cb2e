// The result tree: custom drawing of marked entries, the right double-click toggle, hit tests.
#include "ui/ResultTree.h"

#include <wx/settings.h>
#include <wx/timer.h>
#include <wx/treectrl.h>
#include <wx/utils.h>

#include "trace/Trace.h"
#include "ui/ItemInfo.h"

IMPLEMENT_DYNAMIC(CResultTree, CTreeCtrl)

BEGIN_MESSAGE_MAP(CResultTree, CTreeCtrl)
ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, &CResultTree::OnCustomDraw)
ON_NOTIFY_REFLECT(NM_RDBLCLK, &CResultTree::OnRdblclk)
END_MESSAGE_MAP()

namespace {

std::function<CPoint()> g_cursorHook;

wxTreeCtrl* TreeOf(const CWnd* pWnd) {
    return dynamic_cast<wxTreeCtrl*>(pWnd->GetWxWindow());
}

wxTreeItemId IdOf(HTREEITEM hItem) {
    return wxTreeItemId(reinterpret_cast<void*>(hItem));
}

wxColour ColourOf(COLORREF cr) {
    return wxColour(GetRValue(cr), GetGValue(cr), GetBValue(cr));
}

}  // namespace

CResultTree::CResultTree() {
    TRACE_CTOR("CResultTree");
}

CResultTree::~CResultTree() {
    TRACE_DTOR("CResultTree");
    CancelRightClick();
    delete m_hNormalFont;
    delete m_hStrikeOutFont;
}

BOOL CResultTree::GetCurrentLogFont(LOGFONT* lpLogFont) const {
    if (CFont* pFont = GetFont())
        return pFont->GetLogFont(lpLogFont);
    // Controls made from a template show the toolkit window's font.
    if (m_pWx == nullptr || !m_pWx->GetFont().IsOk())
        return FALSE;
    CFont font;
    font.SetWxFont(m_pWx->GetFont());
    return font.GetLogFont(lpLogFont);
}

HRESULT CResultTree::InitControl() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CResultTree::InitControl", hr);
    if (GetFont() == nullptr && (m_pWx == nullptr || !m_pWx->GetFont().IsOk())) {
        hr = E_FAIL;
        QTRACE(TRACE_ERROR, "Failed to get font!\n");
        return hr;
    }
    LOGFONT lf{};
    if (!GetCurrentLogFont(&lf)) {
        hr = E_FAIL;
        QTRACE(TRACE_ERROR, "GetLogFont() failed!\n");
        return hr;
    }
    auto* pNormal = new CFont;
    // The tree's own font as it stands (a description round trip would lose its exact size).
    if (GetFont() == nullptr && m_pWx != nullptr)
        pNormal->SetWxFont(m_pWx->GetFont());
    else if (!pNormal->CreateFontIndirect(&lf)) {
        delete pNormal;
        hr = E_FAIL;
        QTRACE(TRACE_ERROR, "CreateFontIndirect(normal font) failed: Error code %d\n", (int)GetLastError());
        return hr;
    }
    delete m_hNormalFont;
    m_hNormalFont = pNormal;

    lf.lfStrikeOut = 1;
    auto* pStrikeOut = new CFont;
    if (pNormal->GetWxFont() == nullptr || !pNormal->GetWxFont()->IsOk()) {
        delete pStrikeOut;
        hr = E_FAIL;
        QTRACE(TRACE_ERROR, "CreateFontIndirect(strike-out font) failed: Error code %d\n",
               (int)GetLastError());
        return hr;
    }
    // The layer's font description has no strike-out of its own: set it on the toolkit font.
    wxFont struck = *pNormal->GetWxFont();
    struck.SetStrikethrough(lf.lfStrikeOut != 0);
    pStrikeOut->SetWxFont(struck);
    delete m_hStrikeOutFont;
    m_hStrikeOutFont = pStrikeOut;

    m_crNormalText = GetSysColor(COLOR_WINDOWTEXT);
    m_crMarkedText = GetSysColor(COLOR_GRAYTEXT);
    return hr;
}

void CResultTree::OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult) {
    auto* pDraw = reinterpret_cast<NMTVCUSTOMDRAW*>(pNMHDR);
    LRESULT lResult = 0;
    if (pDraw->nmcd.dwDrawStage == CDDS_PREPAINT) {
        lResult = CDRF_NOTIFYITEMDRAW;
    } else if (pDraw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        auto* pInfo = reinterpret_cast<ItemInfo*>(pDraw->nmcd.lItemlParam);
        if (pInfo != nullptr) {
            lResult = CDRF_NEWFONT;
            auto* pDC = static_cast<RESULTTREEDC*>(pDraw->nmcd.hdc);
            if (pInfo->bDelete) {
                if (pDC != nullptr)
                    pDC->pFont = m_hStrikeOutFont;
                pDraw->clrText = m_crMarkedText;
            } else {
                if (pDC != nullptr)
                    pDC->pFont = m_hNormalFont;
                pDraw->clrText =
                    (pDraw->nmcd.uItemState & CDIS_SELECTED) ? RGB(255, 255, 255) : m_crNormalText;
            }
        }
    }
    if (pResult != nullptr)
        *pResult = lResult;
}

void CResultTree::OnRdblclk(NMHDR*, LRESULT* pResult) {
    LRESULT lResult = 0;
    HTREEITEM hItem = GetItemUnderCursor();
    if (hItem != nullptr) {
        auto* pInfo = reinterpret_cast<ItemInfo*>(GetItemData(hItem));
        if (pInfo != nullptr && pInfo->nState != ITEM_STATE_PIVOT) {
            lResult = 1;
            if (pInfo->bDelete) {
                pInfo->nState = ITEM_STATE_UNMARKED;
                pInfo->bDelete = FALSE;
            } else {
                pInfo->nState = ITEM_STATE_MARKED;
                pInfo->bDelete = TRUE;
            }
            // Shown at once, as the page's menu commands do.
            RefreshItemLook(hItem);
        }
    }
    if (pResult != nullptr)
        *pResult = lResult;
}

HTREEITEM CResultTree::GetItemUnderCursor() {
    CPoint pt = GetCursorScreenPos();
    ScreenToClient(&pt);
    UINT uFlags = 0;
    HTREEITEM hItem = HitTest(pt, &uFlags);
    return (uFlags & TVHT_ONITEMLABEL) ? hItem : nullptr;
}

void CResultTree::RefreshItemLooks() {
    NMTVCUSTOMDRAW draw{};
    draw.nmcd.hdr.code = NM_CUSTOMDRAW;
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    // Each item is drawn with the look chosen for it: the tree asks for an item's look just
    // before it paints it, so a large result costs only the entries on screen.
    if (NotifyParent(&draw.nmcd.hdr) == CDRF_NOTIFYITEMDRAW && !InvalidateItemLooks())
        RefreshLevel(GetRootItem());
}

void CResultTree::PrepareItemLook(HTREEITEM hItem) {
    RefreshItemLook(hItem);
}

void CResultTree::RefreshLevel(HTREEITEM hItem) {
    for (; hItem != nullptr; hItem = GetNextSiblingItem(hItem)) {
        RefreshItemLook(hItem);
        RefreshLevel(GetChildItem(hItem));
    }
}

void CResultTree::RefreshItemLook(HTREEITEM hItem) {
    wxTreeCtrl* pTree = TreeOf(this);
    if (pTree == nullptr || hItem == nullptr)
        return;
    const wxTreeItemId id = IdOf(hItem);
    RESULTTREEDC dc;
    NMTVCUSTOMDRAW draw{};
    draw.nmcd.hdr.code = NM_CUSTOMDRAW;
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    draw.nmcd.hdc = &dc;
    draw.nmcd.dwItemSpec = reinterpret_cast<DWORD_PTR>(hItem);
    draw.nmcd.lItemlParam = (LPARAM)GetItemData(hItem);
    draw.nmcd.uItemState = pTree->IsSelected(id) ? CDIS_SELECTED : 0;
    const COLORREF crUnset = 0xFFFFFFFFu;
    draw.clrText = crUnset;
    const LRESULT lResult = NotifyParent(&draw.nmcd.hdr);
    // Only changes are handed on: every change makes the toolkit repaint the line.
    const wxColour colour = draw.clrText == crUnset ? wxNullColour : ColourOf(draw.clrText);
    if (pTree->GetItemTextColour(id) != colour)
        pTree->SetItemTextColour(id, colour);
    const wxFont font = ((lResult & CDRF_NEWFONT) && dc.pFont != nullptr && dc.pFont->GetWxFont() != nullptr)
                            ? *dc.pFont->GetWxFont()
                            : wxNullFont;
    const wxFont current = pTree->GetItemFont(id);
    if (current.IsOk() != font.IsOk() || (font.IsOk() && current != font))
        pTree->SetItemFont(id, font);
}

BOOL CResultTree::GetItemRect(HTREEITEM hItem, LPRECT lpRect, BOOL bTextOnly) const {
    wxTreeCtrl* pTree = TreeOf(this);
    if (pTree == nullptr || hItem == nullptr || lpRect == nullptr)
        return FALSE;
    wxRect rc;
    if (!pTree->GetBoundingRect(IdOf(hItem), rc, bTextOnly != FALSE))
        return FALSE;
    lpRect->left = rc.x;
    lpRect->top = rc.y;
    lpRect->right = rc.x + rc.width;
    lpRect->bottom = rc.y + rc.height;
    return TRUE;
}

LRESULT CResultTree::NotifyMouse(UINT nCode, CPoint ptScreen, BOOL bControl) {
    m_ptMessage = ptScreen;
    m_bControlAtMessage = bControl;
    NMHDR hdr{};
    hdr.code = nCode;
    return NotifyParent(&hdr);
}

CPoint CResultTree::GetCursorScreenPos() {
    if (g_cursorHook)
        return g_cursorHook();
    const wxPoint pt = wxGetMousePosition();
    return CPoint(pt.x, pt.y);
}

void CResultTree::SetCursorPosHook(std::function<CPoint()> hook) {
    g_cursorHook = std::move(hook);
}

int CResultTree::GetDoubleClickTime() {
    const int nTime = wxSystemSettings::GetMetric(wxSYS_DCLICK_MSEC);
    // The desktop may not say; the common default then.
    return nTime > 0 ? nTime : 500;
}

void CResultTree::HoldRightClick(CPoint ptScreen, BOOL bControl) {
    TRACE_FUNC_VOID("CResultTree::HoldRightClick");
    m_ptMessage = ptScreen;
    m_bControlAtMessage = bControl;
    m_ptRightClick = ptScreen;
    m_bRightClickControl = bControl;
    m_bRightClickPending = TRUE;
    if (!m_pRightClickTimer) {
        m_pRightClickTimer = std::make_unique<wxTimer>();
        HWND h = m_hWnd;
        m_pRightClickTimer->Bind(wxEVT_TIMER, [h](wxTimerEvent&) {
            if (auto* p = dynamic_cast<CResultTree*>(CWnd::FromHandle(h)))
                p->OnRightClickTimer();
        });
    }
    m_pRightClickTimer->StartOnce(GetDoubleClickTime());
}

void CResultTree::CancelRightClick() {
    m_bRightClickPending = FALSE;
    if (m_pRightClickTimer)
        m_pRightClickTimer->Stop();
}

void CResultTree::OnRightClickTimer() {
    TRACE_FUNC_VOID("CResultTree::OnRightClickTimer");
    if (!m_bRightClickPending)
        return;
    m_bRightClickPending = FALSE;
    // The handler may open a context menu, which runs until the user closes it.
    NotifyMouse(NM_RCLICK, m_ptRightClick, m_bRightClickControl);
}

LRESULT CResultTree::OnRightDoubleClick(CPoint ptScreen, BOOL bControl) {
    LRESULT lResult = 0;
    TRACE_FUNC_RESULT("CResultTree::OnRightDoubleClick", lResult);
    const BOOL bHeld = m_bRightClickPending;
    CancelRightClick();
    lResult = NotifyMouse(NM_RDBLCLK, ptScreen, bControl);
    // A double-click nobody took still began with a right click: it gets its answer now.
    if (lResult == 0 && bHeld)
        NotifyMouse(NM_RCLICK, m_ptRightClick, m_bRightClickControl);
    return lResult;
}

void CResultTree::BindWxEvents() {
    CTreeCtrl::BindWxEvents();
    HWND h = m_hWnd;
    // The toolkit's tree events carry no message position: the mouse events before them do.
    auto remember = [h](wxMouseEvent& e) {
        e.Skip();
        if (auto* p = dynamic_cast<CResultTree*>(CWnd::FromHandle(h))) {
            const wxPoint pt = p->GetWxWindow()->ClientToScreen(e.GetPosition());
            p->m_ptMessage = CPoint(pt.x, pt.y);
            p->m_bControlAtMessage = e.ControlDown();
        }
    };
    m_pWx->Bind(wxEVT_LEFT_DCLICK, remember);
    m_pWx->Bind(wxEVT_RIGHT_DOWN, remember);
    m_pWx->Bind(wxEVT_RIGHT_UP, remember);
    // A key that activates an item is no double-click: it must not be read at the last mouse
    // position, nor with the Ctrl key of the last click.
    m_pWx->Bind(wxEVT_KEY_DOWN, [h](wxKeyEvent& e) {
        e.Skip();
        if (auto* p = dynamic_cast<CResultTree*>(CWnd::FromHandle(h))) {
            p->m_ptMessage = CPoint(-32000, -32000);
            p->m_bControlAtMessage = FALSE;
        }
    });
    // A left click means the user has moved on: a right click still held back is dropped.
    m_pWx->Bind(wxEVT_LEFT_DOWN, [h](wxMouseEvent& e) {
        e.Skip();
        if (auto* p = dynamic_cast<CResultTree*>(CWnd::FromHandle(h)))
            p->CancelRightClick();
    });
    // Bound after the tree control's own right-click report, so this one runs first and keeps
    // the click from being reported at once.
    m_pWx->Bind(wxEVT_TREE_ITEM_RIGHT_CLICK, [h](wxTreeEvent& e) {
        auto* p = dynamic_cast<CResultTree*>(CWnd::FromHandle(h));
        if (p == nullptr) {
            e.Skip();
            return;
        }
        p->HoldRightClick(p->m_ptMessage, p->m_bControlAtMessage);
    });
    m_pWx->Bind(wxEVT_RIGHT_DCLICK, [h](wxMouseEvent& e) {
        auto* p = dynamic_cast<CResultTree*>(CWnd::FromHandle(h));
        if (p == nullptr) {
            e.Skip();
            return;
        }
        const wxPoint pt = p->GetWxWindow()->ClientToScreen(e.GetPosition());
        if (p->OnRightDoubleClick(CPoint(pt.x, pt.y), e.ControlDown()) == 0)
            e.Skip();
    });
}
