// Frame metrics and minimum tracking size of the resizable dialogs.
#include "ui/DialogLayout.h"

#include <wx/scrolwin.h>
#include <wx/settings.h>
#include <wx/window.h>

#include <algorithm>

#include "platform/afx/wnd/Gdi.h"

int GetDialogMetric(const CWnd* pDlg, int nIndex) {
    wxWindow* pWx = pDlg ? pDlg->GetWxWindow() : nullptr;
    if (pWx == nullptr || (nIndex != SM_CXDLGFRAME && nIndex != SM_CYCAPTION))
        return GetSystemMetrics(nIndex);
    wxSize window = pWx->GetSize();
    wxSize client = pWx->GetClientSize();
    int nFrame = (window.x - client.x) / 2;
    if (nFrame < 0)
        nFrame = 0;
    if (nIndex == SM_CXDLGFRAME)
        return nFrame;
    // The caption is what lies above the client area besides the frame and the border line.
    wxPoint origin = pWx->ClientToScreen(wxPoint(0, 0));
    int nTop = origin.y - pWx->GetScreenRect().y;
    int nCaption = nTop - nFrame - GetSystemMetrics(SM_CYBORDER);
    return nCaption > 0 ? nCaption : 0;
}

CRect GetWindowRectInClient(const CWnd* pDlg) {
    CRect rect;
    pDlg->GetWindowRect(&rect);
    pDlg->ScreenToClient(&rect);
    return rect;
}

CRect GetChildRectInClient(const CWnd* pDlg, const CWnd* pChild) {
    CRect rect;
    if (pChild == nullptr)
        return rect;
    // A direct child's rectangle is read from the toolkit's own layout, not from two screen
    // positions asked one after the other: the window manager moves a new top-level window while
    // it places it, and a move between the two queries would shift the result by that distance.
    const wxWindow* pChildWx = pChild->GetWxWindow();
    if (pDlg != nullptr && pChildWx != nullptr && pChildWx->GetParent() == pDlg->GetWxWindow()) {
        const wxRect r = pChildWx->GetRect();
        return CRect(r.x, r.y, r.x + r.width, r.y + r.height);
    }
    pChild->GetWindowRect(&rect);
    pDlg->ScreenToClient(&rect);
    return rect;
}

void ApplyMinTrackSize(CWnd* pDlg) {
    if (pDlg == nullptr || pDlg->GetWxWindow() == nullptr)
        return;
    MINMAXINFO mmi{};
    pDlg->SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    if (mmi.ptMinTrackSize.x > 0 || mmi.ptMinTrackSize.y > 0)
        pDlg->GetWxWindow()->SetMinSize(wxSize(mmi.ptMinTrackSize.x, mmi.ptMinTrackSize.y));
}

namespace {

// The height of a text broken into lines of nWidth pixels in the control's font.
int WrappedTextHeight(CWnd* pStatic, const CString& strText, int nWidth) {
    const wxFont font = pStatic->GetWxWindow()->GetFont();
    return AfxGetWrappedTextHeight(strText, nWidth, &font);
}

// Puts the text control into a pane of the given rectangle that scrolls it up and down, at its
// full height for a width that leaves room for the scroll bar.
void ScrollStaticInside(CWnd* pDlg, CWnd* pStatic, const CString& strText, const CRect& rcPane) {
    wxWindow* pText = pStatic->GetWxWindow();
    auto* pPane = new wxScrolledWindow(pDlg->GetWxWindow(), wxID_ANY, wxPoint(rcPane.left, rcPane.top),
                                       wxSize(rcPane.Width(), rcPane.Height()), wxVSCROLL);
    pText->Reparent(pPane);
    const int nWidth = std::max(1, rcPane.Width() - wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, pPane));
    const int nHeight = WrappedTextHeight(pStatic, strText, nWidth);
    pText->SetSize(0, 0, nWidth, nHeight);
    pPane->SetVirtualSize(nWidth, nHeight);
    pPane->SetScrollRate(0, std::max(1, pText->GetCharHeight()));
}

}  // namespace

int GrowStaticToFitText(CWnd* pDlg, CWnd* pStatic) {
    if (pDlg == nullptr || pStatic == nullptr || pDlg->GetWxWindow() == nullptr ||
        pStatic->GetWxWindow() == nullptr)
        return 0;
    const CRect rcText = GetChildRectInClient(pDlg, pStatic);
    CString strText;
    pStatic->GetWindowText(strText);
    const int nNeeded = WrappedTextHeight(pStatic, strText, rcText.Width()) - rcText.Height();
    if (nNeeded <= 0)
        return 0;
    // The dialog grows no taller than the screen's work area, so its buttons stay in reach; a text
    // that needs more scrolls inside the room it has.
    CRect rcWindow;
    pDlg->GetWindowRect(&rcWindow);
    const int nRoom = std::max(0, AfxGetWorkArea(pDlg).Height() - rcWindow.Height());
    const int nGrow = std::min(nNeeded, nRoom);
    // Everything that starts below the text's old bottom edge moves down with it.
    for (wxWindow* pChild : pDlg->GetWxWindow()->GetChildren()) {
        if (pChild == pStatic->GetWxWindow() || pChild->IsTopLevel())
            continue;
        const wxPoint pos = pChild->GetPosition();
        if (pos.y >= rcText.bottom)
            pChild->Move(pos.x, pos.y + nGrow);
    }
    const CRect rcGrown(rcText.left, rcText.top, rcText.right, rcText.bottom + nGrow);
    if (nGrow < nNeeded)
        ScrollStaticInside(pDlg, pStatic, strText, rcGrown);
    else
        pStatic->MoveWindow(rcGrown.left, rcGrown.top, rcGrown.Width(), rcGrown.Height(), TRUE);
    if (nGrow > 0)
        pDlg->SetWindowPos(nullptr, 0, 0, rcWindow.Width(), rcWindow.Height() + nGrow,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return nGrow;
}

void FitStaticToText(CWnd* pDlg, CWnd* pStatic, int nMaxWidth) {
    if (pDlg == nullptr || pStatic == nullptr || pStatic->GetWxWindow() == nullptr)
        return;
    const CRect rcText = GetChildRectInClient(pDlg, pStatic);
    CString strText;
    pStatic->GetWindowText(strText);
    CRect rcNeeded(0, 0, 0, 0);
    {
        CClientDC dc(pStatic);
        dc.DrawText(strText, &rcNeeded, DT_CALCRECT | DT_SINGLELINE | DT_LEFT | DT_NOPREFIX);
    }
    // The whole width at once: a label exactly as wide as its text may still break it.
    if (rcNeeded.Width() > rcText.Width() && nMaxWidth > rcText.Width())
        pStatic->MoveWindow(rcText.left, rcText.top, nMaxWidth, rcText.Height(), TRUE);
    GrowStaticToFitText(pDlg, pStatic);
}
