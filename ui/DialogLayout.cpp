// Frame metrics and minimum tracking size of the resizable dialogs.
#include "ui/DialogLayout.h"

#include <wx/window.h>

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
